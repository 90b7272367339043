// The registration script (vximage.rgs, resource REGISTRY 101): the registry keys that
// registration writes and unregistration removes, as a tree. The script language is the
// usual one of in-process servers:
//
//   HKCR                                 a root key
//   {
//     NoRemove CLSID                     a key that unregistration leaves in place
//     {
//       ForceRemove {GUID} = s 'text'    a key deleted with its subkeys before it is
//       {                                written, with a default value
//         InprocServer32 = s '%MODULE%'  %NAME% stands for a text given at registration
//         {
//           val ThreadingModel = s 'Apartment'   a named value
//         }
//       }
//     }
//   }
//
// Tokens are separated by white space; a name or value in single quotes may hold any
// character, a quote written twice. Keywords (NoRemove, ForceRemove, Delete, val, s) are
// matched without regard to case. Only string values (s) are used, so only they are read.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "module/ole_text.h"

namespace vx {

enum class KeyMark {
  kNone,
  kNoRemove,     // unregistration leaves the key (and what is not the script's below it)
  kForceRemove,  // registration deletes the key with its subkeys before writing it
  kDelete,       // registration deletes the key and writes nothing
};

struct RegistryNamedValue {
  OleString name;
  OleString text;
};

struct RegistryKey {
  OleString name;
  KeyMark mark = KeyMark::kNone;
  std::optional<OleString> default_value;
  std::vector<RegistryNamedValue> values;
  std::vector<RegistryKey> subkeys;
};

struct ScriptReplacement {
  OleStringView name;  // without the % signs: MODULE
  OleStringView text;
};

// Replaces every %NAME% by its text, with each single quote in the text doubled so that it
// survives inside a quoted value, and %% by %. E_INVALIDARG for a name without a
// replacement or a lone %; *expanded is then empty.
HRESULT ExpandRegistryScript(OleStringView script, std::span<const ScriptReplacement> replacements,
                             OleString* expanded);

// Reads an expanded script into its root keys (HKCR, HKEY_CLASSES_ROOT, HKLM...).
// E_INVALIDARG when the script is malformed; *roots is then empty.
HRESULT ParseRegistryScript(OleStringView script, std::vector<RegistryKey>* roots);

}  // namespace vx
