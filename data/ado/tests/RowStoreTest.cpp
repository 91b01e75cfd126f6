#include "data/ado/RowStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace ado;

namespace {

ColumnInfo Column(const char* name, StorageKind kind) {
  ColumnInfo info;
  info.name = name;
  info.kind = kind;
  info.integerType = VT_I4;
  return info;
}

// The text of row r: empty, short, a few dozen bytes, now and then a few hundred or twenty
// thousand (lengths that take two and three bytes), and NULL in every seventh row.
std::string TextOf(int64_t r) {
  if (r % 1000 == 1) return std::string(200, static_cast<char>('a' + r % 26));
  if (r % 5000 == 2) return std::string(20000, static_cast<char>('A' + r % 26));
  return r % 5 == 0 ? std::string() : "value " + std::string(static_cast<size_t>(r % 40), 'x');
}
bool TextIsNull(int64_t r) { return r % 7 == 3; }

std::string Bytes(const XString& text) { return std::string(text.c_str(), text.Length()); }

}  // namespace

TEST(RowStore, ValuesOfManyBlocksReadBackWithNullsAmongTheTexts) {
  // Fixed and variable columns interleaved: a variable value starts where the previous one of
  // its block ends, so a NULL or empty text between two others must not shift them.
  RowStore store({Column("id", StorageKind::Integer), Column("name", StorageKind::Text), Column("day", StorageKind::Date),
                  Column("raw", StorageKind::Binary), Column("code", StorageKind::Text)});
  constexpr int64_t kRows = 120000;  // 600,000 values: several blocks
  for (int64_t r = 0; r < kRows; ++r) {
    store.BeginRow();
    store.AddInteger(r);
    if (TextIsNull(r)) {
      store.AddNull();
    } else {
      const std::string text = TextOf(r);
      char* out = store.BeginVariable(text.size() + 10);  // more room than it uses
      text.copy(out, text.size());
      store.EndVariable(text.size());
    }
    if (r % 11 == 0) {
      store.AddNull();
    } else {
      store.AddReal(40000.0 + static_cast<double>(r) / 4);
    }
    const char raw[3] = {static_cast<char>(r), 0, static_cast<char>(r >> 8)};
    store.AddBytes(raw, r % 3 == 0 ? 0 : 3);
    store.AddBytes("AB", static_cast<size_t>(r % 3));
  }
  ASSERT_EQ(store.RowCount(), kRows);

  // Every row forwards, then some backwards, across the blocks.
  for (int64_t r = 0; r < kRows; ++r) {
    SCOPED_TRACE(r);
    ASSERT_EQ(store.Value(r, 0).GetI4(), static_cast<int32_t>(r));
    ASSERT_EQ(store.IsNull(r, 1), TextIsNull(r));
    if (TextIsNull(r)) {
      ASSERT_TRUE(store.Value(r, 1).IsNull());
      ASSERT_EQ(store.ActualSize(r, 1), 0);
    } else {
      ASSERT_EQ(Bytes(store.Value(r, 1).GetStr()), TextOf(r));
      ASSERT_EQ(store.ActualSize(r, 1), static_cast<int32_t>(TextOf(r).size()));
    }
    if (r % 11 == 0) {
      ASSERT_TRUE(store.Value(r, 2).IsNull());
    } else {
      ASSERT_DOUBLE_EQ(store.Value(r, 2).GetDate(), 40000.0 + static_cast<double>(r) / 4);
    }
    const Variant raw = store.Value(r, 3);
    ASSERT_EQ(raw.GetBytes().size(), r % 3 == 0 ? 0u : 3u);
    if (r % 3 != 0) {
      ASSERT_EQ(raw.GetBytes()[2], static_cast<uint8_t>(r >> 8));
    }
    ASSERT_EQ(Bytes(store.Value(r, 4).GetStr()), std::string("AB", static_cast<size_t>(r % 3)));
    uint32_t size = 99;
    EXPECT_EQ(store.Bytes(r, 0, size), nullptr) << "a number has no bytes";
    EXPECT_EQ(size, 0u);
  }
  for (int64_t r = kRows - 1; r > 0; r -= 7919) {
    ASSERT_EQ(store.Value(r, 0).GetI4(), static_cast<int32_t>(r));
    ASSERT_EQ(Bytes(store.Value(r, 4).GetStr()), std::string("AB", static_cast<size_t>(r % 3)));
  }
}

TEST(RowStore, HoldsLittleMoreThanTheValuesThemselves) {
  // Short texts, as a SIS holds them: what the store keeps must stay near the text plus a
  // length byte per text, a 4-byte start per row, 8 bytes per number and a bit per value,
  // without blocks left half empty.
  RowStore store({Column("id", StorageKind::Text), Column("year", StorageKind::Text), Column("day", StorageKind::Date),
                  Column("code", StorageKind::Text)});
  constexpr int64_t kRows = 300000;
  size_t textBytes = 0;
  for (int64_t r = 0; r < kRows; ++r) {
    store.BeginRow();
    const std::string id = std::to_string(100000 + r % 60000);
    store.AddBytes(id.data(), id.size());
    store.AddBytes("2026-2027", 9);
    store.AddReal(46000.0 + static_cast<double>(r % 180));
    const std::string code = r % 4 ? "Excused" : "A";
    store.AddBytes(code.data(), code.size());
    textBytes += id.size() + 9 + code.size();
  }
  store.Finish();
  const double ideal = static_cast<double>(textBytes) + kRows * (3 + 4 + 8 + 4 / 8.0);
  EXPECT_LT(static_cast<double>(store.MemoryBytes()), ideal * 1.08) << "ideal " << ideal;
  EXPECT_GE(static_cast<double>(store.MemoryBytes()), ideal);
  EXPECT_STREQ(store.Value(kRows - 1, 3).GetStr().c_str(), "Excused");
}

TEST(RowStore, ValueLargerThanABlockAndRowsWithoutText) {
  RowStore wide({Column("n", StorageKind::Integer), Column("s", StorageKind::Text)});
  const std::string big(3u << 20, 'b');  // past the block's arena size
  for (int r = 0; r < 5; ++r) {
    wide.BeginRow();
    wide.AddInteger(r);
    if (r == 2) {
      wide.AddBytes(big.data(), big.size());
    } else {
      wide.AddBytes("s", 1);
    }
  }
  EXPECT_EQ(wide.Value(2, 1).GetStr().Length(), big.size());
  EXPECT_EQ(wide.ActualSize(2, 1), static_cast<int32_t>(big.size()));
  EXPECT_STREQ(wide.Value(1, 1).GetStr().c_str(), "s");
  EXPECT_STREQ(wide.Value(3, 1).GetStr().c_str(), "s") << "the row after the big value starts a block of its own";
  EXPECT_EQ(wide.Value(4, 0).GetI4(), 4);

  RowStore numbers({Column("n", StorageKind::Integer), Column("b", StorageKind::Boolean)});
  for (int r = 0; r < 200000; ++r) {
    numbers.BeginRow();
    numbers.AddInteger(r);
    if (r % 2) {
      numbers.AddNull();
    } else {
      numbers.AddInteger(r % 4 == 0);
    }
  }
  EXPECT_EQ(numbers.Value(199998, 0).GetI4(), 199998);
  EXPECT_TRUE(numbers.Value(199999, 1).IsNull());
  EXPECT_EQ(numbers.Value(199996, 1).GetBool(), true);
  EXPECT_EQ(numbers.Value(199998, 1).GetBool(), false);
}

TEST(RowStore, APartOfAResultIsReadByThePositionsOfTheWholeResult) {
  // The part of a result from row 250,000 on, over several blocks.
  RowStore store({Column("id", StorageKind::Integer), Column("name", StorageKind::Text)}, 250000);
  EXPECT_EQ(store.FirstRow(), 250000);
  EXPECT_EQ(store.HeldBytes(), 0u);
  size_t held = 0;
  for (int64_t r = 250000; r < 400000; ++r) {
    store.BeginRow();
    store.AddInteger(r);
    const std::string text = TextOf(r);
    store.AddBytes(text.data(), text.size());
    // What a reader with a budget asks after every row: it only grows, and it is what is held.
    ASSERT_GE(store.HeldBytes(), held) << r;
    held = store.HeldBytes();
  }
  EXPECT_EQ(held, store.MemoryBytes());
  store.Finish();
  EXPECT_EQ(store.HeldBytes(), store.MemoryBytes());
  EXPECT_EQ(store.RowCount(), 150000);
  for (int64_t r : {int64_t{250000}, int64_t{250001}, int64_t{333333}, int64_t{399999}}) {
    EXPECT_EQ(store.Value(r, 0).GetI4(), r);
    EXPECT_EQ(Bytes(store.Value(r, 1).GetStr()), TextOf(r)) << r;
  }
}

TEST(RowStore, WholeRowsReadBackAsTheirValuesAndCells) {
  // Rows added whole, across blocks and arena growth: NULL in both kinds of column, empty and
  // long texts (two- and three-byte lengths); each row's cells and values as they were added.
  RowStore store({Column("id", StorageKind::Integer), Column("name", StorageKind::Text), Column("day", StorageKind::Date),
                  Column("code", StorageKind::Text)});
  constexpr int64_t kRows = 60000;
  for (int64_t r = 0; r < kRows; ++r) {
    const std::string text = TextOf(r);
    const double day = 40000.0 + static_cast<double>(r) / 4;
    uint64_t idBits = static_cast<uint64_t>(r), dayBits = 0;
    std::memcpy(&dayBits, &day, sizeof dayBits);
    const CellRef cells[4] = {{reinterpret_cast<const char*>(&idBits), 0, false},
                              {text.data(), static_cast<uint32_t>(text.size()), TextIsNull(r)},
                              {reinterpret_cast<const char*>(&dayBits), 0, r % 11 == 0},
                              {"AB", static_cast<uint32_t>(r % 3), false}};
    store.AddRow(cells);
  }
  store.Finish();
  ASSERT_EQ(store.RowCount(), kRows);
  CellRef cells[4];
  for (int64_t r = 0; r < kRows; r += (r < 2000 ? 1 : 97)) {
    store.RowCells(r, cells);
    ASSERT_EQ(RowStore::CellValue(store.Columns()[0], cells[0]).GetI4(), r);
    ASSERT_EQ(cells[1].null, TextIsNull(r)) << r;
    ASSERT_EQ(Bytes(store.Value(r, 1).GetStr()), TextIsNull(r) ? std::string() : TextOf(r)) << r;
    ASSERT_EQ(std::string(cells[1].data, cells[1].size), TextIsNull(r) ? std::string() : TextOf(r)) << r;
    ASSERT_EQ(store.IsNull(r, 2), r % 11 == 0) << r;
    if (r % 11 != 0) {
      ASSERT_DOUBLE_EQ(store.Value(r, 2).GetDate(), 40000.0 + static_cast<double>(r) / 4) << r;
    }
    ASSERT_EQ(std::string(cells[3].data, cells[3].size), std::string("AB", static_cast<size_t>(r % 3))) << r;
    ASSERT_EQ(store.ActualSize(r, 3), r % 3) << r;
  }
}

TEST(RowStore, NullBitsOfWholeRowsWiderThanAWordStayWithTheirValues) {
  // 70 columns: a row's null bits straddle 64-bit words at a different place in every row.
  std::vector<ColumnInfo> columns;
  for (int c = 0; c < 70; ++c) columns.push_back(Column("c", c % 2 ? StorageKind::Text : StorageKind::Integer));
  RowStore store(columns);
  constexpr int64_t kRows = 500;
  std::vector<uint64_t> bits(70);
  std::vector<std::string> texts(70);
  std::vector<CellRef> cells(70);
  for (int64_t r = 0; r < kRows; ++r) {
    for (size_t c = 0; c < 70; ++c) {
      bits[c] = static_cast<uint64_t>(r * 100 + static_cast<int64_t>(c));
      texts[c] = std::to_string(r) + "/" + std::to_string(c);
      const bool null = (r + static_cast<int64_t>(c)) % 3 == 0;
      cells[c] = c % 2 ? CellRef{texts[c].data(), static_cast<uint32_t>(texts[c].size()), null}
                       : CellRef{reinterpret_cast<const char*>(&bits[c]), 0, null};
    }
    store.AddRow(cells.data());
  }
  for (int64_t r = 0; r < kRows; ++r) {
    for (int32_t c = 0; c < 70; ++c) {
      const bool null = (r + c) % 3 == 0;
      ASSERT_EQ(store.IsNull(r, c), null) << r << "/" << c;
      if (null) continue;
      if (c % 2) {
        ASSERT_EQ(Bytes(store.Value(r, c).GetStr()), std::to_string(r) + "/" + std::to_string(c));
      } else {
        ASSERT_EQ(store.Value(r, c).GetI4(), r * 100 + c);
      }
    }
  }
}
