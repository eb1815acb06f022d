#include "crypto/xml_elements.h"

#include <algorithm>
#include <charconv>

#include "text/utf.h"

namespace ledgerfen::crypto {
namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

Error malformed(const std::string& why) {
  return Error(ErrorKind::Corrupt, "the encryption description is not well-formed XML: " + why);
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameChar(char c) {
  return !isSpace(c) && c != '<' && c != '>' && c != '/' && c != '=' && c != '"' && c != '\'' && c != '&' && c != '\0';
}

// Replaces the five predefined entities and numeric character references.
Result<std::string> resolveReferences(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size();) {
    if (raw[i] != '&') {
      out += raw[i++];
      continue;
    }
    size_t end = raw.find(';', i);
    if (end == std::string_view::npos) return malformed("an attribute value holds a bare '&'");
    std::string_view name = raw.substr(i + 1, end - i - 1);
    i = end + 1;
    if (name == "lt") {
      out += '<';
    } else if (name == "gt") {
      out += '>';
    } else if (name == "amp") {
      out += '&';
    } else if (name == "quot") {
      out += '"';
    } else if (name == "apos") {
      out += '\'';
    } else if (name.size() >= 2 && name[0] == '#') {
      bool hex = name[1] == 'x';
      std::string_view digits = name.substr(hex ? 2 : 1);
      uint32_t codePoint = 0;
      auto [stop, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), codePoint, hex ? 16 : 10);
      if (digits.empty() || ec != std::errc() || stop != digits.data() + digits.size() || codePoint == 0 ||
          codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return malformed("an attribute value holds an invalid character reference");
      }
      text::appendCodePoint(out, codePoint);
    } else {
      return malformed("an attribute value refers to an unknown entity");
    }
  }
  return out;
}

// The namespaces an element declares: prefix ("" for the default) and URI.
struct Scope {
  std::string qualifiedName;
  std::vector<std::pair<std::string, std::string>> namespaces;
};

class Reader {
 public:
  explicit Reader(std::string_view xml) : xml_(xml) {}

  Result<std::vector<XmlElement>> read() {
    if (xml_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
    while (pos_ < xml_.size()) {
      if (xml_[pos_] != '<') {
        if (open_.empty() && !isSpace(xml_[pos_])) return malformed("text outside the root element");
        ++pos_;
        continue;
      }
      std::string_view rest = xml_.substr(pos_);
      if (rest.starts_with("<?")) {
        LF_RETURN_IF_ERROR(skipPast(2, "?>", "a processing instruction is not closed"));
      } else if (rest.starts_with("<!--")) {
        LF_RETURN_IF_ERROR(skipPast(4, "-->", "a comment is not closed"));
      } else if (rest.starts_with("<![CDATA[")) {
        if (open_.empty()) return malformed("character data outside the root element");
        LF_RETURN_IF_ERROR(skipPast(9, "]]>", "a CDATA section is not closed"));
      } else if (rest.starts_with("<!")) {
        return malformed("document type declarations are not accepted");
      } else if (rest.starts_with("</")) {
        LF_RETURN_IF_ERROR(readEndTag());
      } else {
        LF_RETURN_IF_ERROR(readStartTag());
      }
    }
    if (!open_.empty()) return malformed("the document ends inside an element");
    if (elements_.empty()) return malformed("there is no root element");
    return std::move(elements_);
  }

 private:
  // Moves past the construct that opened with `openingLength` characters at pos_.
  Status skipPast(size_t openingLength, std::string_view terminator, const char* unclosed) {
    size_t end = xml_.find(terminator, pos_ + openingLength);
    if (end == std::string_view::npos) return malformed(unclosed);
    pos_ = end + terminator.size();
    return okStatus();
  }

  std::string_view readName() {
    size_t start = pos_;
    while (pos_ < xml_.size() && isNameChar(xml_[pos_])) ++pos_;
    return xml_.substr(start, pos_ - start);
  }

  bool skipSpaces() {
    size_t start = pos_;
    while (pos_ < xml_.size() && isSpace(xml_[pos_])) ++pos_;
    return pos_ > start;
  }

  Status readEndTag() {
    pos_ += 2;
    std::string_view name = readName();
    skipSpaces();
    if (pos_ >= xml_.size() || xml_[pos_] != '>') return malformed("an end tag is not closed");
    ++pos_;
    if (open_.empty() || open_.back().qualifiedName != name)
      return malformed("an end tag does not match its start tag");
    open_.pop_back();
    if (open_.empty()) rootClosed_ = true;
    return okStatus();
  }

  Status readStartTag() {
    if (rootClosed_) return malformed("more than one root element");
    if (elements_.size() >= kMaxXmlElements) return malformed("too many elements");
    if (open_.size() >= kMaxXmlDepth) return malformed("elements nested too deeply");
    ++pos_;
    Scope scope{std::string(readName()), {}};
    if (scope.qualifiedName.empty()) return malformed("an element has no name");
    XmlElement element;
    bool selfClosing = false;
    while (true) {
      bool spaced = skipSpaces();
      if (pos_ >= xml_.size()) return malformed("a start tag is not closed");
      if (xml_[pos_] == '>') {
        ++pos_;
        break;
      }
      if (xml_[pos_] == '/') {
        if (pos_ + 1 >= xml_.size() || xml_[pos_ + 1] != '>') return malformed("a start tag is not closed");
        pos_ += 2;
        selfClosing = true;
        break;
      }
      if (!spaced) return malformed("attributes are not separated by spaces");
      std::string name(readName());
      if (name.empty()) return malformed("an attribute has no name");
      skipSpaces();
      if (pos_ >= xml_.size() || xml_[pos_] != '=') return malformed("an attribute has no value");
      ++pos_;
      skipSpaces();
      if (pos_ >= xml_.size() || (xml_[pos_] != '"' && xml_[pos_] != '\'')) {
        return malformed("an attribute value is not quoted");
      }
      size_t end = xml_.find(xml_[pos_], pos_ + 1);
      if (end == std::string_view::npos) return malformed("an attribute value is not closed");
      std::string_view raw = xml_.substr(pos_ + 1, end - pos_ - 1);
      pos_ = end + 1;
      if (raw.find('<') != std::string_view::npos) return malformed("an attribute value holds '<'");
      LF_ASSIGN_OR_RETURN(std::string value, resolveReferences(raw));
      if (element.attribute(name)) return malformed("an attribute appears twice in one element");
      if (element.attributes.size() >= kMaxXmlAttributes) return malformed("too many attributes");
      if (name == "xmlns") scope.namespaces.emplace_back("", value);
      if (name.starts_with("xmlns:")) scope.namespaces.emplace_back(name.substr(6), value);
      element.attributes.emplace_back(std::move(name), std::move(value));
    }

    std::string_view qualified = scope.qualifiedName;
    size_t colon = qualified.find(':');
    std::string_view prefix = colon == std::string_view::npos ? "" : qualified.substr(0, colon);
    element.localName = colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
    if (colon != std::string_view::npos && (prefix.empty() || element.localName.empty())) {
      return malformed("an element name has an empty prefix or local part");
    }
    LF_ASSIGN_OR_RETURN(element.namespaceUri, resolve(prefix, scope));
    elements_.push_back(std::move(element));
    if (!selfClosing) {
      open_.push_back(std::move(scope));
    } else if (open_.empty()) {
      rootClosed_ = true;
    }
    return okStatus();
  }

  // The URI bound to `prefix` in the element's own declarations or an enclosing one.
  Result<std::string> resolve(std::string_view prefix, const Scope& own) const {
    auto find = [&](const Scope& s) -> const std::string* {
      for (const auto& [p, uri] : s.namespaces) {
        if (p == prefix) return &uri;
      }
      return nullptr;
    };
    if (const std::string* uri = find(own)) return *uri;
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
      if (const std::string* uri = find(*it)) return *uri;
    }
    if (prefix.empty()) return std::string();
    if (prefix == "xml") return std::string(kXmlNamespace);
    return malformed("an element uses a namespace prefix that is not declared");
  }

  std::string_view xml_;
  size_t pos_ = 0;
  bool rootClosed_ = false;
  std::vector<Scope> open_;
  std::vector<XmlElement> elements_;
};

}  // namespace

const std::string* XmlElement::attribute(std::string_view name) const {
  auto it = std::find_if(attributes.begin(), attributes.end(), [&](const auto& a) { return a.first == name; });
  return it == attributes.end() ? nullptr : &it->second;
}

Result<std::vector<XmlElement>> readXmlElements(std::string_view xml) {
  if (xml.size() > kMaxXmlLength) return malformed("the document is longer than 64 KiB");
  return Reader(xml).read();
}

}  // namespace ledgerfen::crypto
