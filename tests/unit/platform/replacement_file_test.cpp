// The save's new file: unique, exclusive, private while written, given the
// target's mode, owner and attributes, refused for targets that are not
// regular files, and not bounded to short names.
#include "platform/replacement_file.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "kexif.h"
#include "model/exif_constants.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

constexpr uint32_t kImageDescription = 270;

struct stat StatOf(const std::string &path) {
  struct stat info {};
  lstat(path.c_str(), &info);
  return info;
}

// Loads path, gives it the description and saves it over itself.
bool Describe(const std::string &path, const std::string &text) {
  const Loaded doc(path);
  return doc.handle != nullptr && SetText(doc.handle, kImageDescription, text) == 0 &&
         kExifSaveFile(doc.handle, path.c_str()) == 0;
}

std::string Description(const std::string &path) { return TextOf(Loaded(path).handle, kImageDescription); }

// Saves path unedited to target: kExifSaveFile's result, or -2 when the
// load failed.
int32_t SaveAs(const std::string &path, const std::string &target) {
  const Loaded doc(path);
  return doc.handle != nullptr ? kExifSaveFile(doc.handle, target.c_str()) : -2;
}

size_t EntriesIn(const std::string &folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

// x.jpg and x.jpeg once shared one temporary file, so that concurrent saves
// swapped the photos.
TEST(SaveTemporaryFile, ConcurrentSavesOfNamesAlikeKeepEachPhotoInItsOwnFile) {
  constexpr int kRounds = 30;
  for (const bool processes : {true, false}) {
    SCOPED_TRACE(processes ? "two processes" : "two threads");
    TempDir dir;
    const std::string jpg = dir.Write("x.jpg", SamplePhotoJpeg(false, 4096));
    const std::string jpeg = dir.Write("x.jpeg", SamplePhotoJpeg(true, 5000));
    const auto loop = [](const std::string &path, char mark) {
      bool all = true;
      for (int i = 0; i < kRounds; ++i) all = Describe(path, mark + std::to_string(i)) && all;
      return all;
    };
    if (processes) {
      pid_t children[2];
      for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) _exit(loop(c == 0 ? jpg : jpeg, c == 0 ? 'a' : 'b') ? 0 : 1);
      }
      for (pid_t child : children) {
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      }
    } else {
      bool okA = false, okB = false;
      std::thread a([&] { okA = loop(jpg, 'a'); });
      std::thread b([&] { okB = loop(jpeg, 'b'); });
      a.join();
      b.join();
      EXPECT_TRUE(okA && okB);
    }
    const std::string last = std::to_string(kRounds - 1);
    EXPECT_EQ(Description(jpg), "a" + last);
    EXPECT_EQ(Description(jpeg), "b" + last);
    EXPECT_FALSE(HasSaveLeftover(dir.path()));
  }
}

TEST(SaveTemporaryFile, IsCreatedPrivateAndExclusivelyInTheTargetsOwnFolder) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("a.d"));
  const struct {
    const char *target;
    const char *prefix;  // of the temporary file's name
  } cases[] = {{"x.jpg", "x.jpg.$#$"}, {"x.jpeg", "x.jpeg.$#$"}, {"a.d/img", "a.d/img.$#$"}};
  ReplacementFile files[3];
  std::string names[3];
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(cases[i].target);
    ASSERT_EQ(files[i].Create(dir.File(cases[i].target).c_str()), ReplacementFile::Status::kCreated);
    names[i] = files[i].temporaryName();
    EXPECT_EQ(names[i].rfind(dir.File(cases[i].prefix), 0), 0u) << names[i];
    EXPECT_EQ(names[i].size(), dir.File(cases[i].prefix).size() + 6);
    const struct stat info = StatOf(names[i]);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0600u);
  }
  // A second file for the same target while the first is open.
  ReplacementFile again;
  ASSERT_EQ(again.Create(dir.File("x.jpg").c_str()), ReplacementFile::Status::kCreated);
  EXPECT_NE(again.temporaryName(), names[0]);
}

TEST(SaveTemporaryFile, APlantedLinkOrFifoUnderTheOldNameIsLeftAlone) {
  for (const bool fifo : {false, true}) {
    SCOPED_TRACE(fifo ? "fifo" : "link");
    TempDir dir;
    const std::string victim = dir.Write("victim.txt", Bytes{'k', 'e', 'e', 'p'});
    const std::string photo = dir.Write("t.jpg", SamplePhotoJpeg());
    const std::string planted = dir.File("t.$#$");
    ASSERT_EQ(fifo ? mkfifo(planted.c_str(), 0666) : symlink(victim.c_str(), planted.c_str()), 0);
    EXPECT_TRUE(Describe(photo, "x"));
    EXPECT_EQ(ReadFileBytes(victim), (Bytes{'k', 'e', 'e', 'p'}));
    EXPECT_TRUE(S_ISREG(StatOf(photo).st_mode));
    EXPECT_EQ(Description(photo), "x");
  }
}

TEST(SaveTemporaryFile, TheSavedFileTakesTheTargetsModeOwnerAndAttributes) {
  TempDir dir;
  const std::string photo = dir.Write("p.jpg", SamplePhotoJpeg());
  const std::string target = dir.Write("t.jpg", Bytes{1});
  chmod(target.c_str(), 0640);
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(target.c_str(), 4321, 4322), 0);
  }
  const bool attributes = setxattr(target.c_str(), "user.kexif", "kept", 4, 0) == 0;
  ASSERT_EQ(SaveAs(photo, target), 0);
  const struct stat info = StatOf(target);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
  }
  if (attributes) {
    char value[8] = {};
    EXPECT_EQ(getxattr(target.c_str(), "user.kexif", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
  }
  // A new target gets the bits of a newly created file.
  const mode_t old = umask(027);
  ASSERT_EQ(SaveAs(photo, dir.File("new.jpg")), 0);
  umask(old);
  EXPECT_EQ(StatOf(dir.File("new.jpg")).st_mode & 07777, 0640u);
}

TEST(SaveTarget, ATargetThatIsNotARegularFileIsRefusedAndLeftAsItWas) {
  TempDir dir;
  const std::string photo = dir.Write("s.jpg", SamplePhotoJpeg());
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0666), 0);
  std::filesystem::create_directory(dir.File("folder"));
  ASSERT_EQ(symlink(dir.File("fifo").c_str(), dir.File("link-to-fifo").c_str()), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketName = dir.File("socket");
  ASSERT_LT(socketName.size(), sizeof address.sun_path);
  socketName.copy(address.sun_path, socketName.size());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
  std::vector<std::string> targets = {"fifo", "folder", "link-to-fifo", "socket", "folder/"};
  // A character device such as the system's null device; only root makes one.
  if (mknod(dir.File("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) targets.push_back("null");
  const size_t entries = EntriesIn(dir.path());
  for (const std::string &name : targets) {
    SCOPED_TRACE(name);
    const mode_t kind = StatOf(dir.File(name)).st_mode & S_IFMT;
    EXPECT_EQ(SaveAs(photo, dir.File(name)), -1);
    EXPECT_EQ(StatOf(dir.File(name)).st_mode & S_IFMT, kind);
  }
  EXPECT_EQ(SaveAs(photo, ""), -1);
  EXPECT_EQ(EntriesIn(dir.path()), entries);
  close(sock);
}

TEST(SaveTarget, ALinkToAPhotoIsSavedThroughAndStaysALink) {
  TempDir dir;
  const std::string photo = dir.Write("p.jpg", SamplePhotoJpeg());
  const std::string link = dir.File("link.jpg");
  ASSERT_EQ(symlink(photo.c_str(), link.c_str()), 0);
  ASSERT_TRUE(Describe(link, "through the link"));
  EXPECT_TRUE(S_ISLNK(StatOf(link).st_mode));
  EXPECT_EQ(Description(photo), "through the link");
}

// A path of exactly `length` bytes inside new folders of dir, ending in
// `last`.
std::string LongPath(const TempDir &dir, size_t length, const std::string &last) {
  std::string folder = dir.path();
  size_t room = length - folder.size() - 1 - last.size();  // for "/folder" parts
  while (room > 0) {
    const size_t part = room > 201 ? 200 : room;
    folder += "/" + std::string(part - 1, 'd');
    room -= part;
  }
  std::filesystem::create_directories(folder);
  return folder + "/" + last;
}

TEST(SaveTarget, NamesUpToTheSystemsPathLimitLoadReadAndSave) {
  TempDir dir;
  const std::string photo = dir.Write("p.jpg", SamplePhotoJpeg());
  const std::string longest = std::string(NAME_MAX - 4, 'n') + ".jpg";  // no room for the mark
  for (const auto &[length, last] : {std::pair<size_t, std::string>{262, "photo.jpg"}, {PATH_MAX - 1, longest}}) {
    SCOPED_TRACE(length);
    const std::string path = LongPath(dir, length, last);
    ASSERT_EQ(path.size(), length);
    ASSERT_EQ(SaveAs(photo, path), 0);
    EXPECT_TRUE(Describe(path, "far"));
    EXPECT_EQ(Description(path), "far");
    KRExifHandle reader = kRExifBeginRead(path.c_str());
    EXPECT_NE(reader, nullptr);
    kRExifEndRead(reader);
    EXPECT_EQ(EntriesIn(path.substr(0, path.find_last_of('/'))), 1u);
  }
}

}  // namespace
}  // namespace kexif::test
