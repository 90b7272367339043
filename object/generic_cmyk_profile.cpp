#include "object/generic_cmyk_profile.h"

#include <array>
#include <cmath>

namespace vx {
namespace {

using Xyz = std::array<double, 3>;

// FOGRA39L.ti3 (D50, 2 degrees, 45/0), XYZ with the perfect diffuser at Y = 100.
// The paper and the overprints of solid inks; bits of the index: 8 C, 4 M, 2 Y, 1 K.
constexpr std::array<Xyz, 16> kPrimaries = {{
    {84.48, 87.62, 74.57},  // paper
    {2.02, 2.10, 1.73},     // K
    {69.17, 74.16, 7.04},   // Y
    {1.84, 2.04, 0.82},     // YK
    {33.03, 16.79, 15.01},  // M
    {1.61, 1.18, 0.89},     // MK
    {30.20, 16.02, 2.30},   // MY
    {1.56, 1.31, 0.65},     // MYK
    {15.02, 22.93, 52.85},  // C
    {0.91, 1.18, 1.79},     // CK
    {8.16, 18.42, 6.74},    // CY
    {0.89, 1.31, 0.85},     // CYK
    {5.67, 4.10, 15.67},    // CM
    {0.99, 0.87, 1.08},     // CMK
    {3.66, 3.80, 3.13},     // CMY
    {0.93, 0.97, 0.69},     // CMYK
}};
constexpr int kRampSteps = 10;  // 0 %, 10 % ... 100 %
// Each ink alone at 10 % to 90 %, in the order C, M, Y, K.
constexpr std::array<std::array<Xyz, kRampSteps - 1>, 4> kRamps = {{
    {{{75.23, 79.55, 73.29}, {66.20, 71.39, 71.35}, {57.73, 63.86, 69.37}, {49.39, 56.18, 67.19}, {41.81, 49.28, 64.94},
      {34.66, 42.52, 62.44}, {28.34, 36.45, 60.10}, {22.87, 31.06, 57.67}, {18.50, 26.65, 55.36}}},
    {{{77.89, 77.75, 68.26}, {71.44, 68.34, 61.53}, {65.03, 59.18, 54.42}, {58.85, 50.57, 47.38}, {53.02, 42.52, 40.44},
      {47.71, 35.34, 33.89}, {42.93, 29.06, 27.82}, {38.76, 23.72, 22.52}, {35.56, 19.70, 18.30}}},
    {{{82.49, 86.06, 65.10}, {80.53, 84.39, 55.96}, {78.60, 82.89, 47.04}, {76.49, 81.13, 38.69}, {74.88, 79.71, 31.07},
      {73.36, 78.30, 24.17}, {72.03, 77.05, 18.17}, {70.72, 75.73, 13.27}, {69.84, 74.88, 9.66}}},
    {{{71.45, 74.10, 63.02}, {59.56, 61.77, 52.49}, {48.29, 50.08, 42.51}, {38.31, 39.73, 33.69}, {29.11, 30.19, 25.56},
      {21.32, 22.11, 18.68}, {14.39, 14.92, 12.57}, {9.00, 9.33, 7.83}, {4.81, 4.98, 4.16}}},
}};
constexpr int kInkBits[4] = {8, 4, 2, 1};
constexpr int kGridPoints = 17;

// Tristimulus values in the Yule-Nielsen domain (n = 2: square roots).
Xyz Root(const Xyz& xyz) { return {std::sqrt(xyz[0]), std::sqrt(xyz[1]), std::sqrt(xyz[2])}; }

struct PressModel {
  std::array<Xyz, 16> roots;
  // The share of paper each ink covers, at 0 %, 10 % ... 100 % of its nominal value.
  std::array<std::array<double, kRampSteps + 1>, 4> coverage;

  PressModel() {
    for (int i = 0; i < 16; ++i) roots[i] = Root(kPrimaries[i]);
    for (int ink = 0; ink < 4; ++ink) {
      const Xyz& paper = roots[0];
      const Xyz& solid = roots[kInkBits[ink]];
      coverage[ink][0] = 0;
      coverage[ink][kRampSteps] = 1;
      // The coverage that best explains the measured ramp, least squares over X, Y, Z.
      for (int step = 1; step < kRampSteps; ++step) {
        const Xyz measured = Root(kRamps[ink][step - 1]);
        double along = 0, length = 0;
        for (int c = 0; c < 3; ++c) {
          along += (paper[c] - measured[c]) * (paper[c] - solid[c]);
          length += (paper[c] - solid[c]) * (paper[c] - solid[c]);
        }
        coverage[ink][step] = along / length;
      }
    }
  }

  double Coverage(int ink, double nominal) const {
    const double at = nominal * kRampSteps;
    const int step = at >= kRampSteps ? kRampSteps - 1 : static_cast<int>(at);
    const double t = at - step;
    return coverage[ink][step] * (1 - t) + coverage[ink][step + 1] * t;
  }

  // The colour printed for inks 0..1, relative to the paper and seen under D50.
  cmsCIELab Lab(const double (&inks)[4]) const {
    double covered[4];
    for (int ink = 0; ink < 4; ++ink) covered[ink] = Coverage(ink, inks[ink]);
    Xyz sum = {0, 0, 0};
    for (int primary = 0; primary < 16; ++primary) {
      // Demichel: the share of the area where exactly these inks overlap.
      double weight = 1;
      for (int ink = 0; ink < 4; ++ink) weight *= (primary & kInkBits[ink]) ? covered[ink] : 1 - covered[ink];
      for (int c = 0; c < 3; ++c) sum[c] += weight * roots[primary][c];
    }
    const cmsCIEXYZ* d50 = cmsD50_XYZ();
    const cmsCIEXYZ relative = {sum[0] * sum[0] / kPrimaries[0][0] * d50->X, sum[1] * sum[1] / kPrimaries[0][1] * d50->Y,
                                sum[2] * sum[2] / kPrimaries[0][2] * d50->Z};
    cmsCIELab lab;
    cmsXYZ2Lab(d50, &lab, &relative);
    return lab;
  }
};

cmsInt32Number Sample(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) {
  const double inks[4] = {in[0] / 65535.0, in[1] / 65535.0, in[2] / 65535.0, in[3] / 65535.0};
  const cmsCIELab lab = static_cast<const PressModel*>(cargo)->Lab(inks);
  cmsFloat2LabEncoded(out, &lab);
  return TRUE;
}

}  // namespace

cmsHPROFILE CreateGenericCmykProfile(cmsContext context) {
  const PressModel model;
  cmsHPROFILE profile = cmsCreateProfilePlaceholder(context);
  if (!profile) return nullptr;
  cmsSetProfileVersion(profile, 4.3);
  cmsSetDeviceClass(profile, cmsSigOutputClass);
  cmsSetColorSpace(profile, cmsSigCmykData);
  cmsSetPCS(profile, cmsSigLabData);
  // Identity curves around the table: the shape an A-to-B tag is written in.
  cmsPipeline* table = cmsPipelineAlloc(context, 4, 3);
  bool made = table && cmsPipelineInsertStage(table, cmsAT_END, cmsStageAllocToneCurves(context, 4, nullptr));
  cmsStage* grid = made ? cmsStageAllocCLut16bit(context, kGridPoints, 4, 3, nullptr) : nullptr;
  made = made && grid && cmsStageSampleCLut16bit(grid, Sample, const_cast<PressModel*>(&model), 0);
  if (grid && !(made && cmsPipelineInsertStage(table, cmsAT_END, grid))) {
    cmsStageFree(grid);
    made = false;
  }
  made = made && cmsPipelineInsertStage(table, cmsAT_END, cmsStageAllocToneCurves(context, 3, nullptr));
  cmsMLU* description = cmsMLUalloc(context, 1);
  made = made && description && cmsMLUsetASCII(description, "en", "US", "Generic press CMYK (FOGRA39 model)") &&
         cmsWriteTag(profile, cmsSigProfileDescriptionTag, description) &&
         cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ()) && cmsWriteTag(profile, cmsSigAToB0Tag, table);
  if (description) cmsMLUfree(description);
  if (table) cmsPipelineFree(table);
  if (!made) {
    cmsCloseProfile(profile);
    return nullptr;
  }
  return profile;
}

}  // namespace vx
