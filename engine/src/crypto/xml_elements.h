// A minimal reader for the small XML document of agile encryption: it
// returns the start tags (element name, namespace and attributes) in document
// order and ignores text. Namespace prefixes are resolved; comments,
// processing instructions and CDATA are skipped; a document type declaration
// is refused (so no entity can be defined). Sizes, nesting and counts are
// bounded, and anything malformed is an error, never a guess.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ledgerfen/status.h"

namespace ledgerfen::crypto {

struct XmlElement {
  std::string namespaceUri;  // "" when the element is in no namespace
  std::string localName;     // the name without its prefix
  // Attributes as written (prefixed names keep their prefix), values with
  // character references resolved.
  std::vector<std::pair<std::string, std::string>> attributes;

  // The value of the attribute of that name, or null.
  const std::string* attribute(std::string_view name) const;
};

inline constexpr size_t kMaxXmlLength = 64 * 1024;
inline constexpr size_t kMaxXmlElements = 1024;
inline constexpr size_t kMaxXmlDepth = 32;
inline constexpr size_t kMaxXmlAttributes = 64;

// Every element of `xml`, in document order. Corrupt when it is not
// well-formed within the limits above.
Result<std::vector<XmlElement>> readXmlElements(std::string_view xml);

}  // namespace ledgerfen::crypto
