// The rows of one attendance recording held in memory beside the store's rows they are
// compared with: the stored rows of the blanked days (read once when the recording starts),
// and every row recorded, found again by its key (student, day, key column, header) as the
// table's key would find it. Only the rows whose code differs are written when the recording
// ends (AttendanceRecorder).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class AttendanceComparison {
 public:
  // From this many new rows of a recording on they are written in the order of the table's
  // key (measured: the turn lies where they outgrow the store's 8 MB cache, between 84,000
  // and 252,000 rows); fewer in the order recorded.
  static constexpr size_t kKeyOrderRows = 100000;
  struct Row {
    bool stored = false;     // in the store, as `rowid`
    int64_t rowid = 0;
    std::string_view key;    // see KeyParts; empty for a stored row no recorded row can match
    std::string storedCode;  // the stored new code
    std::string code;        // the code last recorded
    bool blanked = false;    // a day the blanking covers
    bool storedNull = false;   // the stored new code is NULL
    bool storedPlain = false;  // the stored flags are all empty texts
    bool seen = false;       // recorded in this recording
  };

  void Clear();
  void Reserve(size_t rows);
  // The row kept under the key of these four texts, or null. The key stays for AddKeyed.
  Row* Find(std::string_view student, std::string_view day, std::string_view key, std::string_view header);
  // Adds a row under the key of the last Find (`isNew`: not in the store, written in the
  // order added), or a row no key finds. The reference holds until the next Add.
  Row& AddKeyed(bool isNew);
  Row& AddUnkeyed();
  const std::vector<Row>& Rows() const { return m_rows; }
  // The rows not in the store, in the order they were first recorded.
  const std::vector<uint32_t>& NewRows() const { return m_newRows; }
  // The four texts of a row's key: student, day, key column, header.
  static void KeyParts(std::string_view key, std::string_view* parts);

 private:
  // Keeps the key text where it does not move, for the index and the rows to point at.
  std::string_view Keep(const std::string& key);

  std::vector<Row> m_rows;
  std::vector<uint32_t> m_newRows;
  std::unordered_map<std::string_view, uint32_t> m_index;  // key -> row
  std::vector<std::unique_ptr<char[]>> m_blocks;
  size_t m_blockUsed = 0, m_blockSize = 0;
  std::string m_key;  // of the last Find: each text after its length (4 bytes)
};
