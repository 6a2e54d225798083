// SPDX-License-Identifier: MIT
// The in-memory file system against the real one: the same calls give the same answers, in a
// table of scripts run on both; then what only memory has (stat identity, capacity, set-up).
#include "base/memory_file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "posix/posix_platform.h"
#include "tests/kit/fakes.h"

namespace enclova::testing {
namespace {

std::string ResultText(long result) {
  if (result >= 0) return "ok";
  return DescribeFileError(ErrorIn(result));
}

std::string KindText(FileInfo::Kind kind) {
  switch (kind) {
    case FileInfo::Kind::Regular:
      return "file";
    case FileInfo::Kind::Directory:
      return "directory";
    case FileInfo::Kind::SymbolicLink:
      return "link";
    case FileInfo::Kind::Other:
      return "other";
  }
  return "?";
}

// One file system under test, driven by a script with names relative to a root directory; every
// call and what it answered goes into `Lines`. Descriptors are written down by whether they
// opened, not by their numbers, which the two systems need not share.
class Session {
 public:
  using MakeLink = std::function<void(const std::string& text, const std::string& path)>;
  Session(FileSystem& files, std::string root, MakeLink makeLink)
      : files_(files), root_(std::move(root)), makeLink_(std::move(makeLink)) {}
  ~Session() {
    for (const int fd : open_) files_.Close(fd);
  }

  std::string Path(const std::string& name) const {
    return name.empty() ? name : root_ + "/" + name;
  }
  void Note(const std::string& line) { Lines.push_back(line); }

  int Open(const std::string& name, OpenFlags flags, unsigned mode = 0644) {
    const int fd = files_.Open(Path(name), flags, mode);
    Note("open " + name + ": " + ResultText(fd));
    if (fd >= 0) open_.insert(fd);
    return fd;
  }
  void Close(int fd) {
    Note("close: " + ResultText(files_.Close(fd)));
    open_.erase(fd);
  }
  void Write(int fd, const std::string& text) {
    const long n = files_.Write(fd, text.data(), text.size());
    Note("write: " + (n >= 0 ? std::to_string(n) : ResultText(n)));
  }
  void Read(int fd, std::size_t size = 64) {
    std::string buffer(size, '\0');
    const long n = files_.Read(fd, buffer.data(), size);
    Note("read: " +
         (n >= 0 ? "\"" + buffer.substr(0, static_cast<std::size_t>(n)) + "\"" : ResultText(n)));
  }
  void Stat(const std::string& name, bool follow = true) {
    FileInfo info;
    const int r = files_.Stat(Path(name), info, follow);
    Note((follow ? "stat " : "lstat ") + name + ": " + (r < 0 ? ResultText(r) : Describe(info)));
  }
  void Fstat(int fd) {
    FileInfo info;
    const int r = files_.Fstat(fd, info);
    Note("fstat: " + (r < 0 ? ResultText(r) : Describe(info)));
  }
  void Fsync(int fd) { Note("fsync: " + ResultText(files_.Fsync(fd))); }
  void Fchmod(int fd, unsigned mode) { Note("fchmod: " + ResultText(files_.Fchmod(fd, mode))); }
  void Rename(const std::string& from, const std::string& to) {
    Note("rename " + from + " " + to + ": " + ResultText(files_.Rename(Path(from), Path(to))));
  }
  void Unlink(const std::string& name) {
    Note("unlink " + name + ": " + ResultText(files_.Unlink(Path(name))));
  }
  void MakeDirectory(const std::string& name) {
    Note("mkdir " + name + ": " + ResultText(files_.MakeDirectory(Path(name))));
  }
  void ReadLink(const std::string& name) {
    std::string text;
    const int r = files_.ReadLink(Path(name), text);
    Note("readlink " + name + ": " + (r < 0 ? ResultText(r) : "\"" + text + "\""));
  }
  void List(const std::string& name) {
    std::vector<std::string> names;
    const int r = files_.ListDirectory(Path(name), names);
    std::sort(names.begin(), names.end());
    std::string line = "list " + name + ": " + ResultText(r);
    for (const std::string& n : names) line += " " + n;
    Note(line);
  }
  void Lock(int fd) { Note("lock: " + ResultText(files_.LockExclusive(fd, 0))); }
  void Link(const std::string& text, const std::string& name) { makeLink_(text, Path(name)); }
  // A file made through the seam, so both systems make it alike.
  void Make(const std::string& name, const std::string& text) {
    const int fd = files_.Open(Path(name), OpenFlags::Write | OpenFlags::Create, 0644);
    if (fd < 0) {
      Note("could not make " + name);
      return;
    }
    files_.Write(fd, text.data(), text.size());
    files_.Close(fd);
  }
  std::uint64_t Inode(const std::string& name) {
    FileInfo info;
    return files_.Stat(Path(name), info, false) == 0 ? info.Inode : 0;
  }

  std::vector<std::string> Lines;

 private:
  static std::string Describe(const FileInfo& info) {
    std::string text = KindText(info.Type) + " " + std::to_string(info.Mode);
    // A directory's size is the system's own affair.
    if (info.Type != FileInfo::Kind::Directory) text += " " + std::to_string(info.Size);
    return text;
  }

  FileSystem& files_;
  std::string root_;
  MakeLink makeLink_;
  std::set<int> open_;
};

using Script = std::function<void(Session&)>;

constexpr OpenFlags kRead = OpenFlags::Read;
constexpr OpenFlags kWrite = OpenFlags::Write;
constexpr OpenFlags kCreate = OpenFlags::Write | OpenFlags::Create;
constexpr OpenFlags kFresh = OpenFlags::Write | OpenFlags::Create | OpenFlags::Exclusive;

struct FileScriptCase {
  const char* name;
  Script script;
};

const FileScriptCase kFileScripts[] = {
    {"a file made, written, read back, its end",
     [](Session& s) {
       const int w = s.Open("f", kCreate, 0640);
       s.Write(w, "hello");
       s.Write(w, ", world");
       s.Fstat(w);
       s.Close(w);
       const int r = s.Open("f", kRead | OpenFlags::DoNotWait);
       s.Read(r, 4);
       s.Read(r);
       s.Read(r);
       s.Close(r);
       s.Stat("f");
       s.Open("missing", kRead);
       s.Open("missing", kWrite);
       s.Open("", kRead);
       s.Stat("");
       s.Open(".", kRead | OpenFlags::Directory);
     }},
    {"exclusive creation finds anything already there",
     [](Session& s) {
       s.Make("file", "x");
       s.MakeDirectory("dir");
       s.Link("nowhere", "dangling");
       s.Link("file", "tofile");
       for (const char* name : {"file", "dir", "dangling", "tofile"}) {
         s.Open(name, kFresh);
         s.Open(name, kFresh | OpenFlags::NoFollow);
       }
       s.Stat("nowhere");
       // Without Exclusive, creating through a dangling link makes its target.
       const int fd = s.Open("dangling", kCreate);
       s.Write(fd, "made");
       s.Close(fd);
       s.Stat("nowhere");
       s.Lock(s.Open("fresh", kFresh | OpenFlags::NoFollow | OpenFlags::DoNotWait, 0600));
       s.Stat("fresh");
     }},
    {"no-follow refuses a link as the last component only",
     [](Session& s) {
       s.MakeDirectory("dir");
       s.Make("dir/file", "abc");
       s.Link("dir", "dirlink");
       s.Link("dir/file", "link");
       s.Open("link", kRead | OpenFlags::NoFollow);
       s.Open("link", kCreate | OpenFlags::NoFollow);
       s.Read(s.Open("link", kRead));
       s.Read(s.Open("dirlink/file", kRead | OpenFlags::NoFollow));
     }},
    {"directories opened to flush them, and files that are not",
     [](Session& s) {
       s.MakeDirectory("dir");
       s.Make("file", "abc");
       const int d = s.Open("dir", kRead | OpenFlags::Directory);
       s.Fsync(d);
       s.Read(d);
       s.Fstat(d);
       s.Close(d);
       s.Open("file", kRead | OpenFlags::Directory);
       s.Open("missing", kRead | OpenFlags::Directory);
       s.Open("dir", kWrite);
       s.Open("dir", kCreate);
       s.Read(s.Open("dir", kRead));
       s.Link("dir", "dirlink");
       s.Open("dirlink", kRead | OpenFlags::Directory);
     }},
    {"truncation and writing over the start",
     [](Session& s) {
       s.Make("f", "abcdef");
       s.Close(s.Open("f", kWrite | OpenFlags::Truncate));
       s.Stat("f");
       s.Make("g", "abcdef");
       const int fd = s.Open("g", kWrite);
       s.Write(fd, "XY");
       s.Close(fd);
       s.Read(s.Open("g", kRead));
       s.Read(s.Open("g", kRead | OpenFlags::Truncate));
     }},
    {"paths through files, missing folders, dots, slashes and long names",
     [](Session& s) {
       s.Make("file", "x");
       s.MakeDirectory("dir");
       s.MakeDirectory("dir/sub");
       s.Make("dir/other", "y");
       s.Stat("file/x");
       s.Open("file/x", kCreate);
       s.Stat("missing/x");
       s.Open("missing/x", kCreate);
       s.Stat("file/");
       s.Stat("dir/");
       s.Stat("dir/./sub/../other");
       s.Stat("dir//sub");
       s.Open("new/", kCreate);
       s.Stat(std::string(255, 'n'));
       s.Close(s.Open(std::string(255, 'n'), kCreate));
       s.Stat(std::string(255, 'n'));
       s.Stat(std::string(256, 'n'));
       s.Open(std::string(256, 'n'), kCreate);
       s.MakeDirectory("made/");
       s.Stat("made");
     }},
    {"links: chains, loops, relative and absolute texts",
     [](Session& s) {
       s.MakeDirectory("sub");
       s.Make("file", "target");
       s.Link("b", "a");
       s.Link("file", "b");
       s.Link("../file", "sub/up");
       s.Link(s.Path("file"), "absolute");
       s.Link("loop2", "loop1");
       s.Link("loop1", "loop2");
       s.Link("self", "self");
       for (const char* name : {"a", "b", "sub/up", "absolute", "loop1", "self"}) {
         s.Stat(name);
         s.Stat(name, false);
         s.ReadLink(name);
       }
       s.ReadLink("file");
       s.ReadLink("missing");
       s.Open("loop1", kRead);
       s.Open("loop1", kCreate);
       s.Read(s.Open("sub/up", kRead));
       s.Stat("sub/up/x");
     }},
    {"rename replaces in one step, and refuses what cannot be",
     [](Session& s) {
       s.Make("a", "new");
       s.Make("b", "old");
       const std::uint64_t a = s.Inode("a");
       s.Rename("a", "b");
       s.Note(s.Inode("b") == a ? "b is a's file" : "b is another file");
       s.Stat("a");
       s.Read(s.Open("b", kRead));
       s.Rename("b", "b");
       s.Rename("missing", "b");
       s.Rename("b", "nofolder/b");
       s.MakeDirectory("empty");
       s.MakeDirectory("full");
       s.Make("full/x", "x");
       s.Rename("b", "empty");
       s.Rename("empty", "b");
       s.Rename("empty", "full");
       s.Rename("full", "full/x");
       s.MakeDirectory("full/inner");
       s.Rename("full", "full/inner/moved");
       s.Rename("full", "empty");
       s.List(".");
       s.List("empty");
       s.Link("b", "link");
       s.Rename("link", "moved");
       s.Stat("moved", false);
       s.Stat("b");
     }},
    {"unlink removes a name, a link itself, never a directory",
     [](Session& s) {
       s.Make("file", "x");
       s.MakeDirectory("dir");
       s.Link("file", "link");
       s.Unlink("link");
       s.Stat("file");
       s.Unlink("file");
       s.Unlink("file");
       s.Unlink("dir");
       s.Unlink("missing/x");
       s.Unlink(".");
       s.List(".");
     }},
    {"open files outlive their names",
     [](Session& s) {
       s.Make("f", "first");
       s.Make("g", "second");
       const int kept = s.Open("f", kRead);
       const int writer = s.Open("f", kWrite);
       s.Unlink("f");
       s.Read(kept, 3);
       s.Write(writer, "FIRST");
       s.Read(kept);
       s.Fstat(kept);
       s.Make("f", "again");
       s.Read(s.Open("f", kRead));
       const int old = s.Open("g", kRead);
       s.Rename("f", "g");
       s.Read(old);
       s.Read(s.Open("g", kRead));
     }},
    {"descriptors used for what they were not opened for, or closed",
     [](Session& s) {
       s.Make("f", "abc");
       const int reader = s.Open("f", kRead);
       const int writer = s.Open("f", kWrite);
       s.Write(reader, "x");
       s.Read(writer);
       s.Fchmod(writer, 0600);
       s.Stat("f");
       s.Fchmod(reader, 04755);
       s.Stat("f");
       s.Close(writer);
       s.Close(writer);
       s.Read(writer);
       s.Fstat(writer);
       s.Fsync(writer);
       s.Lock(writer);
       const int both = s.Open("f", OpenFlags::ReadWrite);
       s.Write(both, "XY");
       s.Read(both);
     }},
    {"a lock is held by one descriptor until it is closed",
     [](Session& s) {
       const int first = s.Open("lock", kRead | OpenFlags::Create);
       const int second = s.Open("lock", kRead);
       s.Lock(first);
       s.Lock(first);
       s.Lock(second);
       s.Close(first);
       s.Lock(second);
     }},
    {"directories made and listed",
     [](Session& s) {
       s.MakeDirectory("d");
       s.MakeDirectory("d");
       s.Stat("d");
       s.MakeDirectory("missing/d");
       s.Make("file", "x");
       s.MakeDirectory("file");
       s.MakeDirectory("file/d");
       s.Link("nowhere", "dangling");
       s.MakeDirectory("dangling");
       s.Make("d/z", "");
       s.Make("d/a", "");
       s.MakeDirectory("d/m");
       s.List("d");
       s.List("file");
       s.List("missing");
       s.Link("d", "dlink");
       s.List("dlink");
       s.List("d/m");
     }},
};

TEST(MemoryFileSystem, AnswersEveryCallAsTheRealFileSystemDoes) {
  const mode_t mask = umask(0);
  umask(mask);
  for (const FileScriptCase& c : kFileScripts) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    PosixFileSystem posix;
    Session real(posix, dir.Path(), [](const std::string& text, const std::string& path) {
      std::filesystem::create_symlink(text, path);
    });
    c.script(real);

    // The same absolute paths in memory.
    MemoryFileSystem memory;
    memory.SetUmask(mask);
    ASSERT_EQ(MakeDirectories(memory, dir.Path()), 0);
    Session inMemory(memory, dir.Path(),
                     [&memory](const std::string& text, const std::string& path) {
                       ASSERT_TRUE(memory.PutLink(path, text));
                     });
    c.script(inMemory);

    ASSERT_EQ(inMemory.Lines.size(), real.Lines.size());
    for (std::size_t i = 0; i < real.Lines.size(); ++i) {
      EXPECT_EQ(inMemory.Lines[i], real.Lines[i]) << "call " << i;
    }
  }
}

// Every change moves a file's times on, and every file has an inode of its own, so a file that
// was written or replaced never stats as before; a reading stat changes nothing.
TEST(MemoryFileSystem, StatIdentityChangesWithEveryChangeAndOnlyThen) {
  MemoryFileSystem files;
  ASSERT_TRUE(files.Put("/d/f", {1, 2, 3}));
  const auto identity = [&](const std::string& path) {
    FileInfo info;
    EXPECT_EQ(files.Stat(path, info, true), 0) << path;
    return std::vector<std::int64_t>{static_cast<std::int64_t>(info.Device),
                                     static_cast<std::int64_t>(info.Inode), info.Size,
                                     info.ModifiedNanoseconds, info.ChangedNanoseconds};
  };
  struct Step {
    const char* name;
    std::function<void()> act;
    bool changes;
  } const steps[] = {
      {"stat and read",
       [&] {
         const int fd = files.Open("/d/f", kRead);
         std::uint8_t byte;
         files.Read(fd, &byte, 1);
         files.Close(fd);
       },
       false},
      {"a write of the same bytes",
       [&] {
         const int fd = files.Open("/d/f", kWrite);
         const std::uint8_t same[] = {1, 2, 3};
         files.Write(fd, same, 3);
         files.Close(fd);
       },
       true},
      {"permission bits set",
       [&] {
         const int fd = files.Open("/d/f", kRead);
         files.Fchmod(fd, 0600);
         files.Close(fd);
       },
       true},
      {"emptied by a truncation",
       [&] { files.Close(files.Open("/d/f", kWrite | OpenFlags::Truncate)); }, true},
      {"an empty file truncated (as Linux does, the times move on)",
       [&] { files.Close(files.Open("/d/f", kWrite | OpenFlags::Truncate)); }, true},
      {"a write of nothing",
       [&] {
         const int fd = files.Open("/d/f", kWrite);
         files.Write(fd, "", 0);
         files.Close(fd);
       },
       false},
      {"replaced by a rename",
       [&] {
         files.Put("/d/g", {});
         files.Rename("/d/g", "/d/f");
       },
       true},
      {"a lock taken and released",
       [&] {
         const int fd = files.Open("/d/f", kRead);
         files.LockExclusive(fd, 0);
         files.Close(fd);
       },
       false},
      {"set up anew with the same bytes", [&] { files.Put("/d/f", {}); }, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const auto before = identity("/d/f");
    step.act();
    EXPECT_EQ(identity("/d/f") != before, step.changes);
  }
  // An inode is never given again, even once its file is gone.
  FileInfo old;
  files.Stat("/d/f", old, true);
  files.Unlink("/d/f");
  files.Put("/d/f", {});
  FileInfo fresh;
  files.Stat("/d/f", fresh, true);
  EXPECT_NE(fresh.Inode, old.Inode);
}

TEST(MemoryFileSystem, CapacityShortensAWriteThenRefusesTheNext) {
  MemoryFileSystem files;
  files.SetCapacity(10);
  ASSERT_TRUE(files.Put("/a", {1, 2, 3, 4}));
  const int fd = files.Open("/b", kCreate);
  const std::string text = "0123456789";
  EXPECT_EQ(files.Write(fd, text.data(), text.size()), 6);
  EXPECT_EQ(files.Write(fd, text.data(), 1), ResultOf(FileError::NoSpace));
  EXPECT_EQ(files.Write(fd, text.data(), 0), 0);
  files.Close(fd);
  // Writing over bytes already held takes no more room.
  const int over = files.Open("/a", kWrite);
  EXPECT_EQ(files.Write(over, text.data(), 4), 4);
  files.Close(over);
  // Room comes back when a file is gone, not while it is still open.
  const int held = files.Open("/b", kRead);
  files.Unlink("/b");
  const int more = files.Open("/c", kCreate);
  EXPECT_EQ(files.Write(more, text.data(), 1), ResultOf(FileError::NoSpace));
  files.Close(held);
  EXPECT_EQ(files.Write(more, text.data(), 10), 6);
  files.Close(more);
  // Truncation and replacement give room back too.
  files.Close(files.Open("/c", kWrite | OpenFlags::Truncate));
  const int again = files.Open("/d", kCreate);
  EXPECT_EQ(files.Write(again, text.data(), 10), 6);
  files.Close(again);
}

TEST(MemoryFileSystem, RelativePathsStartAtTheCurrentDirectory) {
  MemoryFileSystem files;
  EXPECT_EQ(files.CurrentDirectory(), "/");
  ASSERT_TRUE(files.Put("/game/data/fdata.dat", {7}));
  files.ChangeDirectory("/game/data");
  EXPECT_EQ(files.CurrentDirectory(), "/game/data");
  ASSERT_NE(files.Contents("fdata.dat"), nullptr);
  EXPECT_EQ(*files.Contents("fdata.dat"), std::vector<std::uint8_t>{7});
  EXPECT_EQ(files.MakeDirectory("../replays"), 0);
  FileInfo info;
  EXPECT_EQ(files.Stat("/game/replays", info, true), 0);
  EXPECT_EQ(info.Type, FileInfo::Kind::Directory);
  // An unreadable current directory, as a real one can be.
  files.ChangeDirectory("");
  EXPECT_EQ(files.CurrentDirectory(), "");
  EXPECT_EQ(files.Stat("fdata.dat", info, true), ResultOf(FileError::NotFound));
  EXPECT_EQ(files.Stat("/game/data/fdata.dat", info, true), 0);
}

TEST(MemoryFileSystem, SettingUpAndLookingInBesideTheSeam) {
  MemoryFileSystem files;
  EXPECT_TRUE(files.Put("/a/b/c", {1}, 0600));
  FileInfo info;
  ASSERT_EQ(files.Stat("/a/b", info, true), 0);
  EXPECT_EQ(info.Type, FileInfo::Kind::Directory);
  ASSERT_EQ(files.Stat("/a/b/c", info, true), 0);
  EXPECT_EQ(info.Mode, 0600u);
  EXPECT_FALSE(files.Put("/a/b/c/d", {}));  // under a file
  EXPECT_FALSE(files.Put("/a/b", {}));      // a directory
  EXPECT_TRUE(files.PutLink("/l", "a/b/c"));
  EXPECT_FALSE(files.PutLink("/l", "elsewhere"));
  EXPECT_TRUE(files.Put("/l", {2, 3}));  // through the link
  EXPECT_EQ(*files.Contents("/a/b/c"), (std::vector<std::uint8_t>{2, 3}));
  EXPECT_EQ(files.Contents("/a/b"), nullptr);
  EXPECT_EQ(files.Contents("/missing"), nullptr);
  EXPECT_TRUE(files.PutLink("/dangling", "nowhere"));
  EXPECT_TRUE(files.Holds("/dangling"));
  EXPECT_FALSE(files.Holds("/nowhere"));
  EXPECT_TRUE(files.Remove("/dangling"));
  EXPECT_FALSE(files.Holds("/dangling"));
  EXPECT_FALSE(files.Remove("/a"));
}

}  // namespace
}  // namespace enclova::testing
