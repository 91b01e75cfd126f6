// File specs and file objects over real temporary folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "foundation/XFileSpec.h"
#include "os/Os.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

constexpr char kSep = os::kPathSeparator;

std::string ExceptionText(const std::function<void()>& action) {
  try {
    action();
  } catch (const XException& e) {
    return e.Text();
  }
  return "(nothing thrown)";
}

std::string Joined(std::initializer_list<const char*> parts) {
  std::string path;
  for (const char* part : parts) path += std::string(1, kSep) + part;
  return path;
}

TEST(XFileSpec, SeparatorsAndFileNamePart) {
  if (kSep == '\\') {
    XFileSpec spec("C:/Import/School 1/Students.qef");
    EXPECT_EQ(spec.Path(), "C:\\Import\\School 1\\Students.qef");
    EXPECT_EQ(spec.FileName(), "Students.qef");
    EXPECT_EQ(spec.FolderPath(), "C:\\Import\\School 1\\");
  } else {
    XFileSpec spec("/srv/import/School 1/Students.qef");
    EXPECT_EQ(spec.Path(), "/srv/import/School 1/Students.qef");
    EXPECT_EQ(spec.FileName(), "Students.qef");
    EXPECT_EQ(spec.FolderPath(), "/srv/import/School 1/");
  }
  std::string folder = os::VolumeOf(TempDir().Path()) + "Import" + kSep;
  XFileSpec folderSpec(folder.c_str());
  EXPECT_TRUE(folderSpec.IsFolder());
  EXPECT_EQ(folderSpec.FileName(), "");
  folderSpec.AppendName("a.txt");
  EXPECT_EQ(folderSpec.Path(), (folder + "a.txt").c_str());
  folderSpec.SetFileName("b.txt");
  EXPECT_EQ(folderSpec.Path(), (folder + "b.txt").c_str());
  EXPECT_EQ(XFileSpec::Folder(folder.substr(0, folder.size() - 1).c_str()).Path(), folder.c_str());
}

TEST(XFileSpec, RelativePathsAreRefused) {
  std::string shown = kSep == '\\' ? ".\\logs\\run.txt" : "./logs/run.txt";
  EXPECT_EQ(ExceptionText([] { XFileSpec spec("./logs/run.txt"); }),
            "No support for relative paths: " + shown);
  EXPECT_EQ(ExceptionText([] { XFileSpec spec("..hidden"); }),
            "No support for relative paths: ..hidden");
  EXPECT_EQ(ExceptionText([] { XFileSpec spec("logs"); }), "No support for relative paths: logs");
}

TEST(XFileSpec, PathsWithCharactersNoFileNameHoldsAreRefused) {
  // '?' and <U+XXXX> are what a character outside the code page became: such a path would be
  // another folder than the one meant.
  std::string base = os::VolumeOf(TempDir().Path()) + "Import" + kSep;
  for (const char* name : {"Sch??l", "Sch<U+5B66>l", "a>b"}) {
    std::string path = base + name;
    EXPECT_NE(ExceptionText([&] { XFileSpec spec(path.c_str()); }).find(": " + path), std::string::npos) << name;
    XFileSpec folder(base.c_str());
    EXPECT_NE(ExceptionText([&] { folder.AppendName(name); }), "(nothing thrown)") << name;
    EXPECT_EQ(folder.Path(), base.c_str());
  }
}

TEST(XFileSpec, AppendStopsAtTheMaximumPathLength) {
  std::string volume = os::VolumeOf(TempDir().Path());
  XFileSpec base(volume.c_str());
  ASSERT_TRUE(base.IsFolder());
  uint32_t room = os::kMaxPath - static_cast<uint32_t>(volume.size());
  XFileSpec exact = base;
  exact.AppendName(std::string(room, 'n').c_str());
  EXPECT_EQ(exact.Path().Length(), os::kMaxPath);

  XFileSpec tooLong = base;
  std::string expected = "Appended length (" + std::to_string(room + 1) +
                         ") would make path length exceed maximum " +
                         std::to_string(os::kMaxPath) + ".";
  EXPECT_EQ(ExceptionText([&] { tooLong.AppendName(std::string(room + 1, 'n').c_str()); }),
            expected);
  EXPECT_EQ(tooLong, base) << "a refused append leaves the spec as it was";
  if (kSep == '\\') {
    EXPECT_EQ(os::kMaxPath, 260u);
  }
}

TEST(XFileSpec, SafeFileName) {
  EXPECT_EQ(XFileSpec::SafeFileName("a:b*c"), "a_b_c");
  EXPECT_EQ(XFileSpec::SafeFileName("x/y:z*?\"<>|w\\v"), "x_y_z______w\\v");
}

TEST(XFileSpec, FoldersFilesAndTheirErrors) {
  TempDir dir;
  XFileSpec folder = XFileSpec::Folder((dir.Path() + Joined({"a", "b", "c"})).c_str());
  folder.CreateFolder();
  EXPECT_TRUE(os::IsDirectory(dir.Path() + Joined({"a", "b", "c"})));
  folder.CreateFolder();  // already there: fine

  XFileSpec file = folder;
  file.AppendName("data.txt");
  file.CreateFolder();  // the folder part of a file spec
  EXPECT_FALSE(file.Exists());
  file.Create();
  EXPECT_TRUE(file.Exists());
  WriteAll(file.Path().ToStd(), "keep");
  file.Create();
  EXPECT_EQ(ReadAll(file.Path().ToStd()), "keep") << "Create never truncates";

  XFileSpec copy = folder;
  copy.AppendName("copy.txt");
  file.CopyTo(copy);
  EXPECT_EQ(ReadAll(copy.Path().ToStd()), "keep");
  copy.Delete();
  EXPECT_FALSE(copy.Exists());
  EXPECT_EQ(ExceptionText([&] { copy.Delete(); }), "Could not delete spec: " + copy.Path().ToStd());
  EXPECT_EQ(ExceptionText([&] { copy.CopyTo(file); }),
            "Error copying " + copy.Path().ToStd() + " to " + file.Path().ToStd());

  XFileSpec top = XFileSpec::Folder((dir.Path() + Joined({"a"})).c_str());
  top.Delete();
  EXPECT_FALSE(top.Exists());

  // A drive that is not there (POSIX has the one root, which always exists).
  if (kSep == '\\') {
    XFileSpec offline("Q:\\Import\\School\\");
    if (!offline.VolumeExists()) {
      EXPECT_EQ(ExceptionText([&] { offline.CreateFolder(); }),
                "Error creating folder, volume does not exist: Q:\\Import\\School\\");
    }
  }
}

TEST(XFileSpec, RunOnAMissingFileReportsTheShellResult) {
  TempDir dir;
  XFileSpec missing(dir.File("nothing.txt"));
  try {
    missing.Run();
    FAIL() << "Run of a missing file must throw";
  } catch (const XException& e) {
    EXPECT_EQ(std::string(e.Text()), "Error calling Run on \"" + dir.File("nothing.txt") + "\"");
    EXPECT_GT(e.Code(), 0);
    EXPECT_LT(e.Code(), 32);
  }
}

TEST(XFile, OpenErrors) {
  TempDir dir;
  XFile file;
  XFileSpec folder = XFileSpec::Folder(dir.Path().c_str());
  EXPECT_EQ(ExceptionText([&] { file.Open(folder, XFile::kRead); }),
            "Can't open non-file: " + folder.Path().ToStd());
  XFileSpec missing(dir.File("missing.txt"));
  try {
    file.Open(missing, XFile::kRead);
    FAIL() << "opening a missing file for reading must throw";
  } catch (const XException& e) {
    // ENOENT and ERROR_FILE_NOT_FOUND are both 2.
    EXPECT_EQ(std::string(e.Text()), "Could not open file ( 2 ): " + missing.Path().ToStd());
    EXPECT_EQ(e.Code(), 2);
  }
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ExceptionText([&] { file.Write("x"); }), "Error writing to file: ");
}

TEST(XFile, OpenModesCreateTruncateAndAppend) {
  TempDir dir;
  XFileSpec spec(dir.File("f.txt"));
  XFile file;
  file.Open(spec, XFile::kWrite);  // created
  file.Write("first");
  file.Close();

  file.Open(spec, XFile::kAppend);  // kept, positioned at the end
  EXPECT_EQ(file.Position(), 5);
  file.Write("+more");
  EXPECT_EQ(file.Position(), 10);
  EXPECT_EQ(file.LargestPositionWritten(), 10);
  file.Close();
  EXPECT_EQ(ReadAll(spec.Path().ToStd()), "first+more");

  file.Open(spec, XFile::kRead | XFile::kWrite);  // kept, at the start
  file.Write("FIRST");
  file.Close();
  EXPECT_EQ(ReadAll(spec.Path().ToStd()), "FIRST+more");

  file.Open(spec, XFile::kWrite);  // write alone truncates
  file.Close();
  EXPECT_EQ(ReadAll(spec.Path().ToStd()), "");

  XFileSpec fresh(dir.File("fresh.txt"));
  file.Open(fresh, XFile::kWrite | XFile::kAppend);  // any other combination creates too
  file.Close();
  EXPECT_TRUE(fresh.Exists());

  char buffer[8];
  file.Open(spec, XFile::kRead);
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(ExceptionText([&] { file.Write("x"); }).rfind("Error writing to file: ", 0), 0u);
}

TEST(XFile, ReadsLinesAcrossTheBufferAndEveryLineEnd) {
  TempDir dir;
  std::string longLine(3000, 'L');
  WriteAll(dir.File("lines.txt"), "a\tb\r\nc\n\r\n" + longLine + "\rlast");
  XFile file;
  file.Open(XFileSpec(dir.File("lines.txt")), XFile::kRead);
  std::vector<std::string> lines;
  XString line;
  while (file.ReadLine(line)) lines.push_back(line.ToStd());
  EXPECT_EQ(lines, (std::vector<std::string>{"a\tb", "c", "", longLine, "last"}));
  EXPECT_FALSE(file.ReadLine(line));
}

TEST(XFile, ReadsFieldsWithAndWithoutQuotes) {
  TempDir dir;
  WriteAll(dir.File("plain.txt"), "1\t\tthree\r\nnext");
  XFile plain('\t');
  plain.Open(XFileSpec(dir.File("plain.txt")), XFile::kRead);
  XString field;
  bool eol = false;
  std::vector<std::pair<std::string, bool>> fields;
  while (plain.ReadField(field, &eol)) fields.emplace_back(field.ToStd(), eol);
  EXPECT_EQ(fields, (std::vector<std::pair<std::string, bool>>{
                        {"1", false}, {"", false}, {"three", true}, {"next", true}}));

  // Quoted fields keep separators and line ends inside the quotes.
  WriteAll(dir.File("quoted.csv"), "\"a,b\",c,<<x\r\ny>>\n\"last\"");
  XFile quoted(',', "\"", "\"");
  quoted.Open(XFileSpec(dir.File("quoted.csv")), XFile::kRead);
  fields.clear();
  while (quoted.ReadField(field, &eol)) fields.emplace_back(field.ToStd(), eol);
  EXPECT_EQ(fields, (std::vector<std::pair<std::string, bool>>{
                        {"a,b", false}, {"c", false}, {"<<x", true}, {"y>>", true},
                        {"last", true}}));
}

TEST(XFile, LineWriterWritesSeparatorsQuotesAndCrLf) {
  TempDir dir;
  XFile writer('\t');
  writer.Open(XFileSpec(dir.File("t.qef")), XFile::kWrite);
  EXPECT_TRUE(writer.AtLineStart());
  writer.WriteField("1001");
  writer.WriteField("");
  writer.WriteField(XString("Smith"));
  writer.EndLine();
  writer.WriteRaw("#raw");
  writer.EndLine();
  writer.Close();
  EXPECT_EQ(ReadAll(dir.File("t.qef")), "1001\t\tSmith\r\n#raw\r\n");

  XFile quoted(',', "'", "'");
  quoted.Open(XFileSpec(dir.File("q.txt")), XFile::kWrite);
  quoted.WriteField("a");
  quoted.WriteField("b");
  quoted.EndLine();
  quoted.Close();
  EXPECT_EQ(ReadAll(dir.File("q.txt")), "'a','b'\r\n");
}

// Whatever text a field is handed, its record stays one line: each CR and each LF is written
// as a blank, in a field of the write buffer and in one larger than the buffer alike, quoted
// or not; raw text and line ends are written as they are.
TEST(XFile, AFieldNeverBreaksItsLine) {
  TempDir dir;
  XFile writer('\t');
  writer.Open(XFileSpec(dir.File("t.qef")), XFile::kWrite);
  writer.WriteField("4779 Main St\r\nUnit 17");
  writer.WriteField("\n");
  writer.WriteField("a\rb\n\nc");
  const std::string big = std::string(70000, 'x') + "\r\n" + std::string(10, 'y');
  writer.WriteField(big.c_str());
  writer.EndLine();
  writer.WriteRaw("raw\r\n");
  writer.Close();
  EXPECT_EQ(ReadAll(dir.File("t.qef")), "4779 Main St  Unit 17\t \ta b  c\t" + std::string(70000, 'x') +
                                            "  " + std::string(10, 'y') + "\r\nraw\r\n");

  XFile quoted(',', "'", "'");
  quoted.Open(XFileSpec(dir.File("q.txt")), XFile::kWrite);
  quoted.WriteField("x\r\ny");
  quoted.EndLine();
  quoted.Close();
  EXPECT_EQ(ReadAll(dir.File("q.txt")), "'x  y'\r\n");
}

TEST(XFile, LargeWritesArriveWholeAndInOrder) {
  TempDir dir;
  std::string expected;
  XFile writer;
  writer.Open(XFileSpec(dir.File("big.txt")), XFile::kWrite);
  for (int i = 0; i < 20000; ++i) {
    std::string field = std::to_string(i);
    writer.WriteField(field.c_str());
    writer.EndLine();
    expected += field + "\r\n";
  }
  std::string block(100000, 'b');  // larger than the write buffer
  writer.Write(block.data(), static_cast<uint32_t>(block.size()));
  expected += block;
  EXPECT_EQ(writer.Position(), static_cast<int64_t>(expected.size()));
  writer.Close();
  EXPECT_EQ(ReadAll(dir.File("big.txt")), expected);
}

// Quoted fields that straddle the write buffer's end arrive whole, in order, with their
// separators; a field after the file's own reading (a read-write file) lands after the text.
TEST(XFile, QuotedFieldsAcrossTheWriteBufferArriveWhole) {
  TempDir dir;
  std::string expected;
  XFile writer('|', "<<", ">>");
  writer.Open(XFileSpec(dir.File("quoted.txt")), XFile::kWrite);
  for (int i = 0; i < 9000; ++i) {
    const std::string field(static_cast<size_t>(i % 37), static_cast<char>('a' + i % 26));
    writer.WriteField(field.c_str());
    expected += (i % 5 ? "|<<" : "<<") + field + ">>";
    if (i % 5 == 4) {
      writer.EndLine();
      expected += "\r\n";
    }
  }
  EXPECT_EQ(writer.LargestPositionWritten(), static_cast<int64_t>(expected.size()));
  writer.Close();
  EXPECT_EQ(ReadAll(dir.File("quoted.txt")), expected);
}

class SafeReplace : public testing::Test {
 protected:
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    os::ListDirectory(m_dir.Path(), names);
    std::sort(names.begin(), names.end());
    return names;
  }
  TempDir m_dir;
  XFileSpec m_target{m_dir.File("Students.qef")};
};

TEST_F(SafeReplace, CommitReplacesTheFileWhole) {
  WriteAll(m_dir.File("Students.qef"), "old complete file\r\n");
  XFile file;
  file.OpenReplacing(m_target);
  file.WriteField("new");
  file.EndLine();
  EXPECT_EQ(ReadAll(m_dir.File("Students.qef")), "old complete file\r\n");
  file.Commit();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadAll(m_dir.File("Students.qef")), "new\r\n");
  EXPECT_EQ(Names(), std::vector<std::string>{"Students.qef"});

  // A target that does not exist yet is created.
  XFileSpec other(m_dir.File("Staff.qef"));
  file.OpenReplacing(other);
  file.Write("staff");
  file.Commit();
  EXPECT_EQ(ReadAll(m_dir.File("Staff.qef")), "staff");
}

TEST_F(SafeReplace, ARunThatFailsMidwayLeavesTheOldFile) {
  WriteAll(m_dir.File("Students.qef"), "old complete file\r\n");
  std::string big(200000, 'r');  // enough to have reached the disk before the failure
  try {
    XFile file;
    file.OpenReplacing(m_target);
    file.Write(big.data(), static_cast<uint32_t>(big.size()));
    throw XException("Error reading the next row", 0);
  } catch (const XException&) {
  }
  EXPECT_EQ(ReadAll(m_dir.File("Students.qef")), "old complete file\r\n");
  EXPECT_EQ(Names(), std::vector<std::string>{"Students.qef"}) << "no temporary file is left";

  // Closing without Commit abandons the new content as well.
  XFile file;
  file.OpenReplacing(m_target);
  file.Write("partial");
  file.Close();
  EXPECT_EQ(ReadAll(m_dir.File("Students.qef")), "old complete file\r\n");
  EXPECT_EQ(Names(), std::vector<std::string>{"Students.qef"});
}

}  // namespace

TEST_F(SafeReplace, ALinkAtTheScratchNameIsReplacedNotWrittenThrough) {
  TempDir outside;
  std::string precious = outside.File("precious.txt");
  WriteAll(precious, "precious");
  // The scratch name of this process, as a killed run of the same number would have left it.
  const std::string scratch = "Students.qef." + std::to_string(os::CurrentProcessId()) + ".partial";
  if (!os::MakeSymbolicLink(precious, m_dir.File(scratch))) {
    GTEST_SKIP() << "this system makes no symbolic links here";
  }
  XFile file;
  file.OpenReplacing(m_target);
  file.WriteField("new");
  file.Commit();
  EXPECT_EQ(ReadAll(precious), "precious");
  EXPECT_EQ(ReadAll(m_dir.File("Students.qef")), "new");
  EXPECT_FALSE(os::IsLink(m_dir.File("Students.qef")));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Students.qef"}));

  // A link where a file is opened for writing: refused, naming the file.
  ASSERT_TRUE(os::MakeSymbolicLink(precious, m_dir.File("run.log")));
  XFile log;
  std::string text = ExceptionText([&] { log.Open(XFileSpec(m_dir.File("run.log").c_str()), XFile::kAppend); });
  EXPECT_NE(text.find("Could not open file"), std::string::npos) << text;
  EXPECT_NE(text.find(m_dir.File("run.log")), std::string::npos) << text;
  EXPECT_EQ(ReadAll(precious), "precious");
}
