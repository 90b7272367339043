#include "cli/member_listing.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "cli/member_text.h"
#include "cli/text_encoding.h"
#include "module/member_table.h"

namespace vx::cli {

void ListMembers(std::ostream& out) {
  using Row = std::array<std::string, 5>;  // DISPID, kind, name, parameters, help string
  std::vector<Row> rows = {{"DISPID", "KIND", "MEMBER", "PARAMETERS", "HELP STRING"}};
  for (const Member& m : ResizeMembers()) {
    rows.push_back({std::to_string(m.id), KindName(m.kind), Utf16ToUtf8(m.name), "(" + Signature(m) + ")",
                    Utf16ToUtf8(m.help)});
  }
  std::array<std::size_t, 5> widths{};
  for (const Row& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  for (const Row& row : rows) {
    out << std::string(widths[0] - row[0].size(), ' ') << row[0];  // numbers to the right
    for (std::size_t c = 1; c + 1 < row.size(); ++c) out << "  " << row[c] << std::string(widths[c] - row[c].size(), ' ');
    out << "  " << row.back() << '\n';
  }
}

}  // namespace vx::cli
