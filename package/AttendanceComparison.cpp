#include "package/AttendanceComparison.h"

#include <cstring>

namespace {

constexpr size_t kBlockSize = 64 * 1024;

void AppendPart(std::string& key, std::string_view text) {
  const uint32_t length = static_cast<uint32_t>(text.size());
  key.append(reinterpret_cast<const char*>(&length), sizeof length);
  key.append(text.data(), text.size());
}

}  // namespace

void AttendanceComparison::Clear() {
  m_rows.clear();
  m_newRows.clear();
  m_index.clear();
  m_blocks.clear();
  m_blockUsed = m_blockSize = 0;
}

void AttendanceComparison::Reserve(size_t rows) {
  m_rows.reserve(rows);
  m_index.reserve(rows);
}

AttendanceComparison::Row* AttendanceComparison::Find(std::string_view student, std::string_view day,
                                                      std::string_view key, std::string_view header) {
  m_key.clear();
  AppendPart(m_key, student);
  AppendPart(m_key, day);
  AppendPart(m_key, key);
  AppendPart(m_key, header);
  auto found = m_index.find(std::string_view(m_key));
  return found == m_index.end() ? nullptr : &m_rows[found->second];
}

std::string_view AttendanceComparison::Keep(const std::string& key) {
  if (m_blocks.empty() || m_blockSize - m_blockUsed < key.size()) {
    m_blockSize = key.size() > kBlockSize ? key.size() : kBlockSize;
    m_blocks.push_back(std::make_unique<char[]>(m_blockSize));
    m_blockUsed = 0;
  }
  char* kept = m_blocks.back().get() + m_blockUsed;
  std::memcpy(kept, key.data(), key.size());
  m_blockUsed += key.size();
  return std::string_view(kept, key.size());
}

AttendanceComparison::Row& AttendanceComparison::AddKeyed(bool isNew) {
  const uint32_t index = static_cast<uint32_t>(m_rows.size());
  m_rows.emplace_back();
  Row& row = m_rows.back();
  row.key = Keep(m_key);
  m_index.emplace(row.key, index);
  if (isNew) m_newRows.push_back(index);
  return row;
}

AttendanceComparison::Row& AttendanceComparison::AddUnkeyed() {
  m_rows.emplace_back();
  return m_rows.back();
}

void AttendanceComparison::KeyParts(std::string_view key, std::string_view* parts) {
  for (int i = 0; i < 4; ++i) {
    uint32_t length = 0;
    if (key.size() < sizeof length) {
      parts[i] = std::string_view();
      continue;
    }
    std::memcpy(&length, key.data(), sizeof length);
    key.remove_prefix(sizeof length);
    parts[i] = key.substr(0, length);
    key.remove_prefix(parts[i].size());
  }
}
