#include "files/GameFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "base/Errors.h"

namespace varnisk {
namespace {

namespace fs = std::filesystem;

class GameFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("varnisk-gamefiles-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    void write(const std::string& name, const std::string& bytes) { std::ofstream(dir / name, std::ios::binary) << bytes; }
    std::string errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const FileError& e) {
            return e.what();
        }
        return "";
    }
    fs::path dir;
};

TEST_F(GameFilesTest, SystemErrorsBecomeTheUsualTexts) {
    const std::vector<std::pair<int, std::string>> cases = {
        {ENOENT, "File not found"}, {EACCES, "Access denied"}, {EROFS, "Access denied"}, {EIO, "I/O error 5"}};
    for (const auto& [number, text] : cases) {
        EXPECT_EQ(errorOf([n = number] { throwFileError(n); }), text) << number;
    }
}

TEST_F(GameFilesTest, GameFilesAreFoundWhateverTheCaseOfTheirNames) {
    write("gp4.EXE", "x");
    EXPECT_EQ(gameFilePath(dir.string(), "GP4.exe"), (dir / "gp4.EXE").string());
#ifndef _WIN32  // only where case counts can a folder hold both names
    // An exact name wins over one that differs in case only.
    write("GP4.exe", "y");
    EXPECT_EQ(gameFilePath(dir.string(), "GP4.exe"), (dir / "GP4.exe").string());
#endif
    // A missing file keeps the asked-for name, so opening it says what is wrong.
    EXPECT_EQ(gameFilePath(dir.string(), "cars.wad"), (dir / "cars.wad").string());
    EXPECT_EQ(errorOf([&] { ByteFile f(gameFilePath(dir.string(), "cars.wad")); }), "File not found");
    // A trailing separator gives a doubled one, which the file system takes.
    EXPECT_TRUE(fileExists(gameFilePath(dir.string() + "/", "GP4.exe")));
}

TEST_F(GameFilesTest, ReadsAndWritesStayInsideTheFile) {
    write("f.bin", "abcdef");
    ByteFile f((dir / "f.bin").string(), ByteFile::Mode::ReadWrite);
    EXPECT_EQ(f.size(), 6u);
    EXPECT_EQ(f.read(2, 4), (std::vector<std::uint8_t>{'c', 'd', 'e', 'f'}));
    EXPECT_EQ(errorOf([&] { f.read(3, 4); }), "Read beyond end of file");
    const std::uint8_t two[2] = {'X', 'Y'};
    EXPECT_EQ(errorOf([&] { f.write(5, two); }), "Read beyond end of file");
    f.write(0, two);
    EXPECT_EQ(readWholeFile((dir / "f.bin").string()), (std::vector<std::uint8_t>{'X', 'Y', 'c', 'd', 'e', 'f'}));
}

#ifndef _WIN32  // POSIX file modes; the Windows build checks its read-only mark in tests/windows
// A file is opened for reading only unless asked: a read-only file can be
// read, and writing needs openForWriting, which leaves the mode alone.
TEST_F(GameFilesTest, FilesAreReadWithoutWriteAccessAndOpenedForWritingOnRequest) {
    write("f.bin", "abcdef");
    const std::string path = (dir / "f.bin").string();
    const std::uint8_t two[2] = {'X', 'Y'};
    {
        ByteFile f(path);
        EXPECT_FALSE(f.readOnly());
        EXPECT_FALSE(errorOf([&] { f.write(0, two); }).empty());  // not open for writing
        f.openForWriting();
        EXPECT_EQ(f.read(0, 2), (std::vector<std::uint8_t>{'a', 'b'}));
        f.write(0, two);
    }
    EXPECT_EQ(readWholeFile(path), (std::vector<std::uint8_t>{'X', 'Y', 'c', 'd', 'e', 'f'}));

    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    {
        ByteFile f(path);
        EXPECT_TRUE(f.readOnly());
        EXPECT_EQ(f.read(2, 2), (std::vector<std::uint8_t>{'c', 'd'}));
        if (::geteuid() != 0) {
            EXPECT_EQ(errorOf([&] { f.openForWriting(); }), "Access denied");
        }
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);

    // A file replaced under the same name since it was opened is not the one
    // that was read: it is not written.
    ByteFile f(path);
    write("other.bin", "123456");
    fs::rename(dir / "other.bin", dir / "f.bin");
    EXPECT_EQ(errorOf([&] { f.openForWriting(); }), "f.bin was replaced by another file while Varnisk had it open");
}
#endif

#ifndef _WIN32  // POSIX pipes; the Windows build checks its devices in tests/windows
// A folder, a pipe or a device is refused at once, before it is opened: a
// pipe would make the program wait for a writer for ever.
TEST_F(GameFilesTest, OnlyRegularFilesAreOpened) {
    fs::create_directories(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    const std::vector<std::string> paths = {(dir / "folder").string(), (dir / "pipe").string(), "/dev/null"};
    ::alarm(20);  // a hang ends the test run instead of stalling it
    for (const std::string& p : paths) {
        SCOPED_TRACE(p);
        EXPECT_EQ(errorOf([&] { ByteFile f(p, ByteFile::Mode::ReadOnly); }), "Not a regular file");
        EXPECT_EQ(errorOf([&] { ByteFile f(p, ByteFile::Mode::ReadWrite); }), "Not a regular file");
        EXPECT_EQ(errorOf([&] { readWholeFile(p); }), "Not a regular file");
        EXPECT_FALSE(fileExists(p));
        EXPECT_TRUE(otherThanFileAt(p));
    }
    EXPECT_EQ(errorOf([&] { replaceFile((dir / "pipe").string(), std::vector<std::uint8_t>{1}); }), "Not a regular file");
    ::alarm(0);
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
}
#endif

TEST_F(GameFilesTest, ReplacingAFileLeavesNoTemporaryFileBehind) {
    write("f.bin", "old");
    const std::uint8_t bytes[3] = {'n', 'e', 'w'};
    replaceFile((dir / "f.bin").string(), bytes);
    EXPECT_EQ(readWholeFile((dir / "f.bin").string()), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    // A file that cannot be created is an error, and the old one stays.
    EXPECT_FALSE(errorOf([&] { replaceFile((dir / "no-such-folder" / "f.bin").string(), bytes); }).empty());
}

// Replacing a file flushes the new bytes before the rename and the folder
// after it, so that a power loss leaves the old file or the new one. A
// failure at any step leaves the old file and no temporary file.
TEST_F(GameFilesTest, ReplacingAFileFlushesBeforeAndAfterTheRename) {
    const std::string path = (dir / "f.bin").string();
    write("f.bin", "old");
    std::vector<std::string> steps;
    const char* names[] = {"write", "flush", "rename", "remove"};
    setFileStepHook([&](FileStep step, const std::string& p) {
        // The temporary file's random tag aside.
        const std::string name = isTemporaryNameOf(fileNameOf(p), "f.bin") ? "f.bin.varnisk-tmp-*" : fileNameOf(p);
        steps.push_back(std::string(names[static_cast<int>(step)]) + " " + name);
        return StepFault::None;
    });
    replaceFile(path, std::vector<std::uint8_t>{'n', 'e', 'w'});
    std::vector<std::string> expected = {"write f.bin.varnisk-tmp-*", "flush f.bin.varnisk-tmp-*", "rename f.bin"};
#ifndef _WIN32
    // Windows writes the rename through itself and flushes no folder.
    expected.push_back("flush " + fileNameOf(dir.string()));
#endif
    EXPECT_EQ(steps, expected);

    for (std::size_t failAt = 0; failAt + 1 < expected.size(); ++failAt) {
        SCOPED_TRACE(expected[failAt]);
        write("f.bin", "old");
        std::size_t step = 0;
        setFileStepHook([&](FileStep, const std::string&) { return step++ == failAt ? StepFault::Fail : StepFault::None; });
        EXPECT_EQ(errorOf([&] { replaceFile(path, std::vector<std::uint8_t>{'n', 'e', 'w'}); }), "I/O error 5");
        EXPECT_EQ(readWholeFile(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    }
    setFileStepHook({});
}

}  // namespace
}  // namespace varnisk
