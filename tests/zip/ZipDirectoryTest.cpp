// Naming an archive and reading its directory: hand-made archives for the
// broken cases, archives made by other tools for the real ones.

#include "tests/zip/ZipTestSupport.h"
#include "zip/Zip.h"

#include <gtest/gtest.h>
#include <zip.h>

using namespace ziptest;

namespace {

std::vector<std::string> Names(const TZip& Z) {
    std::vector<std::string> Out;
    for (const TFileInfo& F : Z.ZipContents()) Out.push_back(F.FileName);
    return Out;
}

std::string ErrorOf(TZip& Z, const std::string& Path) {
    try {
        Z.SetZipFileName(Path);
    } catch (const ZipException& E) {
        return E.what();
    }
    return {};
}

} // namespace

TEST(ZipFileName, NewPathGetsTheEmptyArchive) {
    TempFolder Dir;
    TZip Z;
    int Changed = 0;
    Z.OnContentsChanged = [&](TZip* S) {
        EXPECT_EQ(S, &Z);
        ++Changed;
    };
    Z.Password = "old";
    Z.SetZipFileName(Dir.File("new.zip"));
    EXPECT_EQ(testsupport::ReadFileBytes(Dir.File("new.zip")),
              std::string("PK\5\6", 4) + std::string(18, '\0'));
    EXPECT_TRUE(Z.ZipContents().empty());
    EXPECT_EQ(Z.EndRecordPosition(), 0);
    EXPECT_TRUE(Z.Password.empty());
    EXPECT_EQ(Changed, 1);
}

TEST(ZipFileName, ErrorsOfANewPath) {
    TempFolder Dir;
    std::filesystem::create_directories(Dir.File("folder.zip"));
    struct Row {
        const char* Name;
        std::string Path;
        std::string Message;
    };
    const Row Rows[] = {
        {"folder missing", Dir.File("none/a.zip"), "Unable to access the selected drive!"},
        {"path is a folder", Dir.File("folder.zip"), "Unable to create \n\"" + Dir.File("folder.zip") + "\""},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        TZip Z;
        EXPECT_EQ(ErrorOf(Z, R.Path), R.Message);
    }
}

TEST(ZipFileName, EmptyPathClearsEverything) {
    TempFolder Dir;
    testsupport::WriteFileBytes(Dir.File("a.zip"), MakeArchive({{"a.txt", "a"}}, "c"));
    TZip Z;
    Z.SetZipFileName(Dir.File("a.zip"));
    ASSERT_EQ(Z.ZipContents().size(), 1u);
    int Changed = 0;
    Z.OnContentsChanged = [&](TZip*) { ++Changed; };
    Z.SetZipFileName("");
    EXPECT_TRUE(Z.ZipContents().empty());
    EXPECT_TRUE(Z.ZipComment().empty());
    EXPECT_EQ(Z.EndRecordPosition(), -1);
    EXPECT_EQ(Changed, 1);
}

TEST(ZipDirectory, HandMadeArchives) {
    const std::string NotValid = "\nis not a valid Zip file.";
    const std::string Broken = "Error reading CentralFileHeader.";
    const std::string Base = MakeArchive({{"a.txt", "alpha"}, {"sub/b.txt", "beta", "second"}});
    const size_t End = EndRecordOffset(Base);
    const size_t Cd = CentralDirOffset(Base);

    auto Patched16 = [](std::string B, size_t Off, uint16_t V) {
        Put16(B, Off, V);
        return B;
    };
    auto Patched32 = [](std::string B, size_t Off, uint32_t V) {
        Put32(B, Off, V);
        return B;
    };
    std::string BadSig = Base;
    BadSig[Cd + 46 + 5 + 2] = 'X'; // second entry's signature
    std::string ShortComment = MakeArchive({{"a.txt", "alpha"}}, "abcde");
    Put16(ShortComment, EndRecordOffset(ShortComment) + 20, 50);
    Entry Oem{"\x82t\x82.txt", "x", "\x82"};
    Oem.MadeBy = 0x0014; // host 0
    Entry Ntfs11{"\x82.txt", "x"};
    Ntfs11.MadeBy = 0x0B32; // host 11, version 50
    Entry Host11{"\x82.txt", "x"};
    Host11.MadeBy = 0x0B14; // host 11, version 20
    Entry Enc{"e.txt", "x"};
    Enc.Flags = 1;
    // The end record closes the file: comments up to their longest, and
    // signatures inside a comment that must not be taken for the record.
    const std::string LongComment(65535, 'c');
    const std::string Inner = MakeArchive({{"evil.txt", "x"}});
    const std::string FakeEnd = std::string("PK\5\6", 4) + std::string(18, '\xFF');
    // Zip64: the record before its locator, the locator before the end record.
    const std::string Z64 = MakeZip64Archive({{"a.txt", "alpha"}, {"sub/b.txt", "beta"}}, "z64");
    const size_t Z64Record = Z64.find(std::string("PK\6\6", 4));
    const size_t Z64End = EndRecordOffset(Z64);
    std::string Z64NoRecord = Z64;
    Z64NoRecord[Z64Record + 3] = 'X';
    std::vector<Entry> Many;
    std::vector<std::string> ManyNames;
    for (int I = 0; I < 65536; ++I) {
        char Name[8];
        std::snprintf(Name, sizeof Name, "f%05d", I);
        Many.emplace_back(Name, "");
        ManyNames.emplace_back(Name);
    }

    struct Row {
        const char* Name;
        std::string Bytes;
        std::string Error; // empty: readable
        std::vector<std::string> Names;
        std::string Comment;
        bool Oem;
    };
    const std::vector<Row> Rows = {
        {"two entries", Base, "", {"a.txt", "sub\\b.txt"}, "", false},
        {"archive comment", MakeArchive({{"a.txt", "a"}}, "note"), "", {"a.txt"}, "note", false},
        {"data in front", std::string(3000, 'J') + Base, "", {"a.txt", "sub\\b.txt"}, "", false},
        {"comment shorter than announced", ShortComment, NotValid, {}, "", false},
        {"comment of 65535 bytes",
         MakeArchive({{"a.txt", "a"}}, LongComment),
         "",
         {"a.txt"},
         LongComment,
         false},
        {"comment of 65514 bytes",
         MakeArchive({{"a.txt", "a"}}, LongComment.substr(21)),
         "",
         {"a.txt"},
         LongComment.substr(21),
         false},
        {"whole archive in the comment", MakeArchive({{"a.txt", "a"}}, Inner), "", {"a.txt"}, Inner, false},
        {"end record signature in the comment",
         MakeArchive({{"a.txt", "a"}}, FakeEnd),
         "",
         {"a.txt"},
         FakeEnd,
         false},
        {"data after the archive", Base + "trailing bytes", NotValid, {}, "", false},
        {"Zip64 end record", Z64, "", {"a.txt", "sub\\b.txt"}, "z64", false},
        {"Zip64, data in front", std::string(3000, 'J') + Z64, "", {"a.txt", "sub\\b.txt"}, "z64", false},
        {"Zip64 locator without its record", Z64NoRecord, Broken, {}, "", false},
        {"Zip64 record and end record disagree", Patched16(Z64, Z64End + 10, 1), Broken, {}, "", false},
        {"Zip64 record on another disk", Patched32(Z64, Z64End - 20 + 4, 1), Broken, {}, "", false},
        {"65536 entries, Zip64", MakeZip64Archive(Many), "", ManyNames, "", false},
        {"65536 entries without Zip64", MakeArchive(Many), Broken, {}, "", false},
        // Counts and size agree with the directory read.
        {"fewer entries listed than stored",
         Patched16(Patched16(Base, End + 8, 1), End + 10, 1),
         Broken,
         {},
         "",
         false},
        {"entries on the disk differ from the total", Patched16(Base, End + 8, 1), Broken, {}, "", false},
        {"no entries listed, a directory stored",
         Patched16(Patched16(Base, End + 8, 0), End + 10, 0),
         Broken,
         {},
         "",
         false},
        {"OEM host 0", MakeArchive({Oem}, "\x82"), "", {"\xE9t\xE9.txt"}, "\xE9", true},
        {"host 11 version 50", MakeArchive({Ntfs11}), "", {"\xE9.txt"}, "", true},
        {"host 11 version 20", MakeArchive({Host11}), "", {"\x82.txt"}, "", false},
        {"encrypted entry", MakeArchive({Enc}), "", {"e.txt"}, "", false},
        {"empty archive", MakeArchive({}), "", {}, "", false},
        {"wrong entry signature", BadSig, Broken, {}, "", false},
        {"directory larger than its place",
         Patched32(Base, End + 12, static_cast<uint32_t>(End + 1)),
         Broken,
         {},
         "",
         false},
        {"more entries than stored", Patched16(Base, End + 10, 3), Broken, {}, "", false},
        {"entry count far beyond the file", Patched16(Base, End + 10, 65535), Broken, {}, "", false},
        {"name past the end", Patched16(Base, Cd + 46 + 5 + 28, 60000), Broken, {}, "", false},
        {"entry comment past the end", Patched16(Base, Cd + 32, 65535), Broken, {}, "", false},
        {"disk number above 1000", Patched16(Base, End + 4, 1001), NotValid, {}, "", false},
        {"central disk above 1000", Patched16(Base, End + 6, 1001), NotValid, {}, "", false},
        {"central directory on another disk", Patched16(Base, End + 6, 1), Broken, {}, "", false},
        {"truncated", Base.substr(0, Base.size() / 2), NotValid, {}, "", false},
        {"too short", "PK\5\6", NotValid, {}, "", false},
        {"no signature", std::string(5000, 'x'), NotValid, {}, "", false},
        {"end record beyond the search span", Base + std::string(70000, 'z'), NotValid, {}, "", false},
    };
    TempFolder Dir;
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        const std::string Path = Dir.File("t.zip");
        testsupport::WriteFileBytes(Path, R.Bytes);
        TZip Z;
        Z.SetZipFileName(Dir.File("other.zip")); // OemNames false before each read
        const std::string Err = ErrorOf(Z, Path);
        if (R.Error.empty()) {
            EXPECT_EQ(Err, "");
            EXPECT_EQ(Names(Z), R.Names);
            EXPECT_EQ(Z.ZipComment(), R.Comment);
            EXPECT_EQ(Z.OemNames(), R.Oem);
        } else {
            EXPECT_EQ(Err, R.Error == NotValid ? "\"" + Path + "\"" + NotValid : R.Error);
            EXPECT_TRUE(Z.ZipContents().empty());
        }
    }
}

TEST(ZipDirectory, EntryDetailsAreKept) {
    TempFolder Dir;
    Entry E{"dir/f.txt", "data", "an entry comment"};
    E.Flags = 1;
    testsupport::WriteFileBytes(Dir.File("a.zip"), "prefix" + MakeArchive({E}, "zc"));
    TZip Z;
    Z.SetZipFileName(Dir.File("a.zip"));
    ASSERT_EQ(Z.ZipContents().size(), 1u);
    const TFileInfo& F = Z.ZipContents()[0];
    EXPECT_EQ(F.FileName, "dir\\f.txt");
    EXPECT_EQ(F.FileComment, "an entry comment");
    EXPECT_TRUE(F.Encrypted);
    EXPECT_EQ(F.Header[0], 'P');
    EXPECT_EQ(zipdir::Get32(&F.Header[24]), 4u); // uncompressed size
    EXPECT_EQ(Z.ZipComment(), "zc");
    EXPECT_EQ(Z.EndRecord().TotalEntries(), 1);
    const std::string Bytes = testsupport::ReadFileBytes(Dir.File("a.zip"));
    EXPECT_EQ(static_cast<size_t>(Z.EndRecordPosition()), EndRecordOffset(Bytes));
}

// Archives written by other programs, with comments and data in front.
TEST(ZipDirectory, ArchivesOfOtherTools) {
    TempFolder Dir;
    testsupport::WriteFileBytes(Dir.File("a.txt"), "alpha\n");
    std::filesystem::create_directories(Dir.File("sub"));
    testsupport::WriteFileBytes(Dir.File("sub/b.txt"), std::string(5000, 'b'));

    struct Row {
        const char* Name;
        std::string Program;
        std::string Command; // run in Dir, writes out.zip
        std::vector<std::string> Names;
        std::string Comment;
    };
    const std::string Py =
        "python3 -c \"import zipfile\n"
        "with zipfile.ZipFile('out.zip','w',zipfile.ZIP_DEFLATED) as z:\n"
        "    z.comment=b'py comment'\n"
        "    z.write('a.txt')\n"
        "    i=zipfile.ZipInfo('sub/b.txt'); i.comment=b'entry'; z.writestr(i, 'b'*5000)\n\"";
    const std::vector<Row> Rows = {
        {"zip",
         "zip",
         "echo zip comment | zip -q -z out.zip a.txt sub/b.txt",
         {"a.txt", "sub\\b.txt"},
         "zip comment"},
        {"zip, data in front",
         "zip",
         "zip -q tmp.zip a.txt sub/b.txt && head -c 10000 /dev/zero > out.zip && cat tmp.zip >> out.zip",
         {"a.txt", "sub\\b.txt"},
         ""},
        {"python zipfile", "python3", Py, {"a.txt", "sub\\b.txt"}, "py comment"},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        if (!HaveProgram(R.Program)) {
            std::printf("[  SKIPPED ] %s: %s not installed\n", R.Name, R.Program.c_str());
            continue;
        }
        std::filesystem::remove(Dir.File("out.zip"));
        ASSERT_EQ(RunShell("cd '" + Dir.Path() + "' && " + R.Command), 0);
        TZip Z;
        Z.SetZipFileName(Dir.File("out.zip"));
        EXPECT_EQ(Names(Z), R.Names);
        EXPECT_EQ(Z.ZipComment(), R.Comment);
    }

    // libzip, with an archive comment.
    int Err = 0;
    zip_t* A = zip_open(Dir.File("lz.zip").c_str(), ZIP_CREATE | ZIP_TRUNCATE, &Err);
    ASSERT_NE(A, nullptr);
    zip_source_t* Src = zip_source_buffer(A, "libzip data", 11, 0);
    ASSERT_GE(zip_file_add(A, "lz.txt", Src, 0), 0);
    zip_set_archive_comment(A, "lz comment", 10);
    ASSERT_EQ(zip_close(A), 0);
    TZip Z;
    Z.SetZipFileName(Dir.File("lz.zip"));
    EXPECT_EQ(Names(Z), std::vector<std::string>{"lz.txt"});
    EXPECT_EQ(Z.ZipComment(), "lz comment");

    // libzip closes an archive of 65536 entries the Zip64 way.
    A = zip_open(Dir.File("many.zip").c_str(), ZIP_CREATE | ZIP_TRUNCATE, &Err);
    ASSERT_NE(A, nullptr);
    for (int I = 0; I < 65536; ++I) {
        const zip_int64_t At =
            zip_file_add(A, ("m" + std::to_string(I)).c_str(), zip_source_buffer(A, nullptr, 0, 0), 0);
        ASSERT_GE(At, 0);
        zip_set_file_compression(A, static_cast<zip_uint64_t>(At), ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(A), 0);
    ASSERT_NE(testsupport::ReadFileBytes(Dir.File("many.zip")).find(std::string("PK\6\6", 4)),
              std::string::npos);
    TZip M;
    M.SetZipFileName(Dir.File("many.zip"));
    ASSERT_EQ(M.ZipContents().size(), 65536u);
    EXPECT_EQ(M.ZipContents().front().FileName, "m0");
    EXPECT_EQ(M.ZipContents().back().FileName, "m65535");

    // The same archive damaged.
    const std::string Good = testsupport::ReadFileBytes(Dir.File("lz.zip"));
    std::string BadCd = Good;
    BadCd[CentralDirOffset(Good) + 3] = 0x7F;
    struct Damage {
        const char* Name;
        std::string Bytes;
        std::string Error;
        std::string Comment;
    };
    const Damage Rows2[] = {
        {"comment cut short", Good.substr(0, Good.size() - 5),
         "\"" + Dir.File("bad.zip") + "\"\nis not a valid Zip file.", ""},
        {"end record cut", Good.substr(0, Good.size() - 20),
         "\"" + Dir.File("bad.zip") + "\"\nis not a valid Zip file.", ""},
        {"central directory overwritten", BadCd, "Error reading CentralFileHeader.", "lz comment"},
    };
    for (const Damage& D : Rows2) {
        SCOPED_TRACE(D.Name);
        testsupport::WriteFileBytes(Dir.File("bad.zip"), D.Bytes);
        TZip B;
        EXPECT_EQ(ErrorOf(B, Dir.File("bad.zip")), D.Error);
        EXPECT_EQ(B.ZipContents().size(), D.Error.empty() ? 1u : 0u);
        EXPECT_EQ(B.ZipComment(), D.Comment);
    }
}
