#include "props/property_blob.h"

#include <algorithm>

#include "text/text_codec.h"

namespace ledgerfen::props {
namespace {

constexpr uint16_t kNamesChunk = 0x80;
constexpr uint16_t kTableChunk = 0x00;
constexpr uint16_t kColumnChunk = 0x01;
constexpr std::string_view kJet4Magic{"MR2\0", 4};
constexpr std::string_view kJet3Magic{"KKD\0", 4};
constexpr const char* kRequired = "Required";

Error damaged(const std::string& what) {
  return Error(ErrorKind::Corrupt, "property blob: " + what);
}

void put16(ByteString& out, size_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void put32(ByteString& out, size_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

void patch32(ByteString& out, size_t at, size_t v) {
  format::put32le(out.data() + at, uint32_t(v));
}

}  // namespace

const Property* PropertySet::find(std::string_view name) const {
  auto it = std::find_if(properties.begin(), properties.end(), [&](const Property& p) { return p.name == name; });
  return it == properties.end() ? nullptr : &*it;
}

Result<std::vector<PropertySet>> parsePropertyBlob(format::Bytes blob, const tdef::NameDecoder& decoder) {
  const std::string_view magic(reinterpret_cast<const char*>(blob.data()), std::min<size_t>(blob.size(), 4));
  if (magic != kJet4Magic && magic != kJet3Magic) return damaged("it does not begin as one");
  std::vector<std::string> names;
  std::vector<PropertySet> sets;
  size_t at = 4;
  while (at + 6 <= blob.size()) {
    const size_t length = format::u32le(blob, at);
    const uint16_t kind = format::u16le(blob, at + 4);
    if (length < 6 || length > blob.size() - at) return damaged("a chunk runs past its end");
    const format::Bytes chunk = blob.subspan(at, length);
    at += length;
    size_t p = 6;
    if (kind == kNamesChunk) {
      while (p + 2 <= chunk.size()) {
        const size_t n = format::u16le(chunk, p);
        if (n > chunk.size() - p - 2) return damaged("a property name runs past its chunk");
        decoder.decode(chunk.subspan(p + 2, n), names.emplace_back());
        p += 2 + n;
      }
      continue;
    }
    if (kind != kTableChunk && kind != kColumnChunk) continue;  // kinds Access adds later
    if (p + 6 > chunk.size()) return damaged("a chunk has no object name");
    const size_t nameBlock = format::u32le(chunk, p);
    const size_t nameLength = format::u16le(chunk, p + 4);
    if (nameBlock < 6 || nameBlock > chunk.size() - p || nameLength > nameBlock - 6) {
      return damaged("an object name runs past its chunk");
    }
    PropertySet set;
    set.column = kind == kColumnChunk;
    decoder.decode(chunk.subspan(p + 6, nameLength), set.objectName);
    p += nameBlock;
    while (p + 8 <= chunk.size()) {
      const size_t recordLength = format::u16le(chunk, p);
      const size_t nameIndex = format::u16le(chunk, p + 4);
      const size_t valueLength = format::u16le(chunk, p + 6);
      if (recordLength < 8 || recordLength > chunk.size() - p || valueLength > recordLength - 8) {
        return damaged("a property runs past its chunk");
      }
      if (nameIndex >= names.size()) return damaged("a property refers to a name that is not listed");
      const format::Bytes value = chunk.subspan(p + 8, valueLength);
      set.properties.push_back(
          Property{names[nameIndex], chunk[p + 3], chunk[p + 2] != 0, {value.begin(), value.end()}});
      p += recordLength;
    }
    sets.push_back(std::move(set));
  }
  return sets;
}

ByteString encodePropertyBlob(const std::vector<PropertySet>& sets) {
  std::vector<std::string> names;
  for (const PropertySet& set : sets) {
    for (const Property& property : set.properties) {
      if (std::find(names.begin(), names.end(), property.name) == names.end()) names.push_back(property.name);
    }
  }
  ByteString out(kJet4Magic.begin(), kJet4Magic.end());
  auto beginChunk = [&](uint16_t kind) {
    const size_t start = out.size();
    put32(out, 0);
    put16(out, kind);
    return start;
  };
  size_t chunk = beginChunk(kNamesChunk);
  for (const std::string& name : names) {
    const std::vector<uint8_t> bytes = text::encodeUcs2Text(name, false);
    put16(out, bytes.size());
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  patch32(out, chunk, out.size() - chunk);
  for (const PropertySet& set : sets) {
    chunk = beginChunk(set.column ? kColumnChunk : kTableChunk);
    const std::vector<uint8_t> objectName = text::encodeUcs2Text(set.objectName, false);
    put32(out, 6 + objectName.size());
    put16(out, objectName.size());
    out.insert(out.end(), objectName.begin(), objectName.end());
    for (const Property& property : set.properties) {
      put16(out, 8 + property.value.size());
      out.push_back(property.ddl ? 1 : 0);
      out.push_back(property.type);
      put16(out, size_t(std::find(names.begin(), names.end(), property.name) - names.begin()));
      put16(out, property.value.size());
      out.insert(out.end(), property.value.begin(), property.value.end());
    }
    patch32(out, chunk, out.size() - chunk);
  }
  return out;
}

std::optional<std::string> textProperty(const PropertySet& set, std::string_view name, const tdef::NameDecoder& names) {
  const Property* property = set.find(name);
  if (!property || (property->type != uint8_t(ColumnType::Text) && property->type != uint8_t(ColumnType::Memo))) {
    return std::nullopt;
  }
  // Stored as names are: UTF-16 from Jet4 on, the database's code page in Jet3.
  std::string text;
  names.decode(format::Bytes(property->value.data(), property->value.size()), text);
  return text;
}

bool isRequired(const PropertySet& set) {
  const Property* required = set.find(kRequired);
  return required && required->type == uint8_t(ColumnType::Boolean) && !required->value.empty() &&
         required->value[0] != 0;
}

PropertySet requiredColumn(const std::string& column) {
  return PropertySet{column, true, {Property{kRequired, uint8_t(ColumnType::Boolean), true, {1}}}};
}

}  // namespace ledgerfen::props
