// SPDX-License-Identifier: MIT
// The in-memory file system: path lookup, descriptors, and what each call does to the tree.
#include "base/memory_file_system.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace enclova {

struct MemoryFileSystem::Node {
  FileInfo::Kind Type = FileInfo::Kind::Regular;
  unsigned Mode = 0;
  std::uint64_t Inode = 0;
  std::int64_t Modified = 0;
  std::int64_t Changed = 0;
  std::vector<std::uint8_t> Bytes;                       // a regular file's
  std::string Link;                                      // a symbolic link's text
  std::map<std::string, std::shared_ptr<Node>> Entries;  // a directory's
  bool Linked = true;                                    // named in a directory
  int OpenCount = 0;                                     // descriptors on it
  int LockedBy = 0;                                      // the descriptor holding its lock
};

struct MemoryFileSystem::Description {
  std::shared_ptr<Node> File;
  std::size_t Position = 0;
  bool Readable = false;
  bool Writable = false;
};

// Where a path leads: the directory that holds (or would hold) its last component, that
// component's name, and what is there, if anything. `Chain` is every directory from the root to
// `Parent`, as the walk went (after links), so that ".." and a rename into itself are known.
struct MemoryFileSystem::Lookup {
  std::vector<std::shared_ptr<Node>> Chain;
  std::shared_ptr<Node> Parent;
  std::string Name;
  std::shared_ptr<Node> Found;
  bool TrailingSlash = false;
};

namespace {

constexpr std::size_t kMaxName = 255;
constexpr std::size_t kMaxPath = 4095;
constexpr int kMaxLinksFollowed = 40;

std::deque<std::string> ComponentsOf(const std::string& path) {
  std::deque<std::string> parts;
  std::size_t at = 0;
  while (at < path.size()) {
    const std::size_t slash = path.find('/', at);
    const std::size_t end = slash == std::string::npos ? path.size() : slash;
    if (end > at) parts.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

}  // namespace

MemoryFileSystem::MemoryFileSystem() : root_(NewNode(FileInfo::Kind::Directory, 0755)) {}

MemoryFileSystem::~MemoryFileSystem() = default;

std::shared_ptr<MemoryFileSystem::Node> MemoryFileSystem::NewNode(FileInfo::Kind type,
                                                                  unsigned mode) {
  auto node = std::make_shared<Node>();
  node->Type = type;
  node->Mode = mode & 07777;
  node->Inode = nextInode_++;
  Touch(*node);
  return node;
}

void MemoryFileSystem::Touch(Node& node) {
  ++clock_;
  node.Modified = clock_;
  node.Changed = clock_;
}

FileInfo MemoryFileSystem::InfoOf(const Node& node) const {
  FileInfo info;
  info.Type = node.Type;
  info.Mode = node.Mode;
  info.Size = node.Type == FileInfo::Kind::Regular ? static_cast<std::int64_t>(node.Bytes.size())
              : node.Type == FileInfo::Kind::SymbolicLink
                  ? static_cast<std::int64_t>(node.Link.size())
                  : 0;
  info.Device = 1;
  info.Inode = node.Inode;
  info.ModifiedNanoseconds = node.Modified;
  info.ChangedNanoseconds = node.Changed;
  return info;
}

int MemoryFileSystem::Walk(const std::string& path, bool followLast, Lookup& lookup) const {
  if (path.empty()) return ResultOf(FileError::NotFound);
  if (path.size() > kMaxPath) return ResultOf(FileError::NameTooLong);
  std::vector<std::shared_ptr<Node>> chain = {root_};
  std::deque<std::string> pending;
  if (path.front() != '/') {
    if (currentDirectory_.empty() || currentDirectory_.front() != '/') {
      return ResultOf(FileError::NotFound);
    }
    pending = ComponentsOf(currentDirectory_);
  }
  for (std::string& part : ComponentsOf(path)) pending.push_back(std::move(part));
  lookup = Lookup{};
  lookup.TrailingSlash = path.back() == '/';

  int links = 0;
  while (!pending.empty()) {
    const std::string name = std::move(pending.front());
    pending.pop_front();
    if (name.size() > kMaxName) return ResultOf(FileError::NameTooLong);
    const std::shared_ptr<Node>& directory = chain.back();
    if (directory->Type != FileInfo::Kind::Directory) return ResultOf(FileError::NotADirectory);
    const bool last = pending.empty();
    if (name == "." || name == "..") {
      if (name == ".." && chain.size() > 1) chain.pop_back();
      if (last) {
        lookup.Found = chain.back();
        lookup.Name = name;
        lookup.Chain = chain;
        if (chain.size() > 1) lookup.Parent = chain[chain.size() - 2];
        return 0;
      }
      continue;
    }
    const auto entry = directory->Entries.find(name);
    const std::shared_ptr<Node> child = entry != directory->Entries.end() ? entry->second : nullptr;
    const bool follow = !last || followLast || lookup.TrailingSlash;
    if (child != nullptr && child->Type == FileInfo::Kind::SymbolicLink && follow) {
      if (++links > kMaxLinksFollowed) return ResultOf(FileError::LinkLoop);
      if (child->Link.empty()) return ResultOf(FileError::NotFound);
      if (child->Link.front() == '/') chain.resize(1);
      std::deque<std::string> parts = ComponentsOf(child->Link);
      pending.insert(pending.begin(), parts.begin(), parts.end());
      if (pending.empty()) {  // a link to "/"
        lookup.Found = root_;
        lookup.Chain = chain;
        return 0;
      }
      continue;
    }
    if (last) {
      lookup.Chain = chain;
      lookup.Parent = directory;
      lookup.Name = name;
      lookup.Found = child;
      if (child != nullptr && lookup.TrailingSlash && child->Type != FileInfo::Kind::Directory) {
        return ResultOf(FileError::NotADirectory);
      }
      return 0;
    }
    if (child == nullptr) return ResultOf(FileError::NotFound);
    chain.push_back(child);
  }
  // The root itself ("/", or a path of nothing but "." and "..").
  lookup.Found = chain.back();
  lookup.Chain = chain;
  return 0;
}

MemoryFileSystem::Description* MemoryFileSystem::Find(int fd) {
  const auto it = open_.find(fd);
  return it != open_.end() ? &it->second : nullptr;
}

void MemoryFileSystem::Release(Node& node) {
  // A file's bytes are held until it is neither named nor open.
  if (!node.Linked && node.OpenCount == 0 && node.Type == FileInfo::Kind::Regular) {
    used_ -= node.Bytes.size();
    node.Bytes.clear();
    node.Bytes.shrink_to_fit();
  }
}

void MemoryFileSystem::Detach(const std::shared_ptr<Node>& parent, const std::string& name) {
  const auto it = parent->Entries.find(name);
  if (it == parent->Entries.end()) return;
  const std::shared_ptr<Node> node = it->second;
  parent->Entries.erase(it);
  Touch(*parent);
  node->Linked = false;
  ++clock_;
  node->Changed = clock_;
  Release(*node);
}

int MemoryFileSystem::Open(const std::string& path, OpenFlags flags, unsigned mode) {
  const bool readable = Has(flags, OpenFlags::Read);
  const bool writable = Has(flags, OpenFlags::Write);
  if (!readable && !writable) return ResultOf(FileError::InvalidArgument);
  const bool create = Has(flags, OpenFlags::Create);
  const bool exclusive = create && Has(flags, OpenFlags::Exclusive);
  const bool directory = Has(flags, OpenFlags::Directory);
  if (directory && create) return ResultOf(FileError::InvalidArgument);

  Lookup lookup;
  // With Create and Exclusive nothing at all may be there, so the last link is not followed.
  if (const int e = Walk(path, !exclusive && !Has(flags, OpenFlags::NoFollow), lookup); e < 0) {
    return e;
  }
  std::shared_ptr<Node> node = lookup.Found;
  if (node != nullptr && exclusive) return ResultOf(FileError::Exists);
  if (node == nullptr) {
    if (!create) return ResultOf(FileError::NotFound);
    if (lookup.TrailingSlash) return ResultOf(FileError::IsADirectory);
    node = NewNode(FileInfo::Kind::Regular, mode & ~umask_);
    lookup.Parent->Entries[lookup.Name] = node;
    Touch(*lookup.Parent);
  } else if (node->Type == FileInfo::Kind::SymbolicLink) {
    return ResultOf(FileError::LinkLoop);  // NoFollow
  } else if (node->Type == FileInfo::Kind::Directory) {
    if (writable || create) return ResultOf(FileError::IsADirectory);
  } else if (directory) {
    return ResultOf(FileError::NotADirectory);
  } else if (Has(flags, OpenFlags::Truncate)) {  // read-only too, as Linux does
    used_ -= node->Bytes.size();
    node->Bytes.clear();
    Touch(*node);
  }
  const int fd = nextFd_++;
  Description& d = open_[fd];
  d.File = node;
  d.Readable = readable;
  d.Writable = writable;
  ++node->OpenCount;
  return fd;
}

long MemoryFileSystem::Read(int fd, void* buffer, std::size_t size) {
  Description* d = Find(fd);
  if (d == nullptr || !d->Readable) return ResultOf(FileError::BadDescriptor);
  if (d->File->Type == FileInfo::Kind::Directory) return ResultOf(FileError::IsADirectory);
  const std::vector<std::uint8_t>& bytes = d->File->Bytes;
  const std::size_t n = d->Position < bytes.size() ? std::min(size, bytes.size() - d->Position) : 0;
  if (n > 0) std::memcpy(buffer, bytes.data() + d->Position, n);
  d->Position += n;
  return static_cast<long>(n);
}

long MemoryFileSystem::Write(int fd, const void* buffer, std::size_t size) {
  Description* d = Find(fd);
  if (d == nullptr || !d->Writable) return ResultOf(FileError::BadDescriptor);
  if (size == 0) return 0;
  std::vector<std::uint8_t>& bytes = d->File->Bytes;
  const std::size_t end = d->Position + size;
  if (capacity_ && end > bytes.size()) {
    const std::uint64_t free = *capacity_ > used_ ? *capacity_ - used_ : 0;
    const std::uint64_t growth = end - std::max(bytes.size(), d->Position);
    if (growth > free) {
      const std::uint64_t cut = growth - free;
      if (cut >= size) return ResultOf(FileError::NoSpace);
      size -= static_cast<std::size_t>(cut);
    }
  }
  if (bytes.size() < d->Position + size) {
    used_ += d->Position + size - bytes.size();
    bytes.resize(d->Position + size);
  }
  std::memcpy(bytes.data() + d->Position, buffer, size);
  d->Position += size;
  Touch(*d->File);
  return static_cast<long>(size);
}

int MemoryFileSystem::Fsync(int fd) {
  return Find(fd) != nullptr ? 0 : ResultOf(FileError::BadDescriptor);
}

int MemoryFileSystem::Close(int fd) {
  const auto it = open_.find(fd);
  if (it == open_.end()) return ResultOf(FileError::BadDescriptor);
  const std::shared_ptr<Node> node = it->second.File;
  open_.erase(it);
  if (node->LockedBy == fd) node->LockedBy = 0;
  --node->OpenCount;
  Release(*node);
  return 0;
}

int MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  Lookup source, destination;
  if (const int e = Walk(from, false, source); e < 0) return e;
  if (source.Found == nullptr) return ResultOf(FileError::NotFound);
  if (source.Parent == nullptr || source.Name == "." || source.Name == "..") {
    return ResultOf(FileError::Busy);
  }
  if (const int e = Walk(to, false, destination); e < 0) return e;
  if (destination.Parent == nullptr || destination.Name == "." || destination.Name == "..") {
    return ResultOf(FileError::Busy);
  }
  const std::shared_ptr<Node> node = source.Found;
  const std::shared_ptr<Node> replaced = destination.Found;
  if (replaced == node) return 0;
  if (node->Type == FileInfo::Kind::Directory) {
    // Not into itself or anything below it.
    if (std::find(destination.Chain.begin(), destination.Chain.end(), node) !=
        destination.Chain.end()) {
      return ResultOf(FileError::InvalidArgument);
    }
    if (replaced != nullptr && replaced->Type != FileInfo::Kind::Directory) {
      return ResultOf(FileError::NotADirectory);
    }
    if (replaced != nullptr && !replaced->Entries.empty()) {
      return ResultOf(FileError::DirectoryNotEmpty);
    }
  } else if (replaced != nullptr && replaced->Type == FileInfo::Kind::Directory) {
    return ResultOf(FileError::IsADirectory);
  } else if (source.TrailingSlash || destination.TrailingSlash) {
    return ResultOf(FileError::NotADirectory);
  }
  if (replaced != nullptr) Detach(destination.Parent, destination.Name);
  source.Parent->Entries.erase(source.Name);
  Touch(*source.Parent);
  destination.Parent->Entries[destination.Name] = node;
  Touch(*destination.Parent);
  ++clock_;
  node->Changed = clock_;
  return 0;
}

int MemoryFileSystem::Unlink(const std::string& path) {
  Lookup lookup;
  if (const int e = Walk(path, false, lookup); e < 0) return e;
  if (lookup.Found == nullptr) return ResultOf(FileError::NotFound);
  if (lookup.Found->Type == FileInfo::Kind::Directory) return ResultOf(FileError::IsADirectory);
  Detach(lookup.Parent, lookup.Name);
  return 0;
}

int MemoryFileSystem::Stat(const std::string& path, FileInfo& info, bool followLinks) {
  Lookup lookup;
  if (const int e = Walk(path, followLinks, lookup); e < 0) return e;
  if (lookup.Found == nullptr) return ResultOf(FileError::NotFound);
  info = InfoOf(*lookup.Found);
  return 0;
}

int MemoryFileSystem::Fstat(int fd, FileInfo& info) {
  const Description* d = Find(fd);
  if (d == nullptr) return ResultOf(FileError::BadDescriptor);
  info = InfoOf(*d->File);
  return 0;
}

int MemoryFileSystem::Fchmod(int fd, unsigned mode) {
  Description* d = Find(fd);
  if (d == nullptr) return ResultOf(FileError::BadDescriptor);
  d->File->Mode = mode & 07777;
  ++clock_;
  d->File->Changed = clock_;
  return 0;
}

int MemoryFileSystem::ReadLink(const std::string& path, std::string& target) {
  Lookup lookup;
  if (const int e = Walk(path, false, lookup); e < 0) return e;
  if (lookup.Found == nullptr) return ResultOf(FileError::NotFound);
  if (lookup.Found->Type != FileInfo::Kind::SymbolicLink) {
    return ResultOf(FileError::InvalidArgument);
  }
  target = lookup.Found->Link;
  return 0;
}

int MemoryFileSystem::ListDirectory(const std::string& path, std::vector<std::string>& names) {
  Lookup lookup;
  if (const int e = Walk(path, true, lookup); e < 0) return e;
  if (lookup.Found == nullptr) return ResultOf(FileError::NotFound);
  if (lookup.Found->Type != FileInfo::Kind::Directory) return ResultOf(FileError::NotADirectory);
  names.clear();
  for (const auto& [name, node] : lookup.Found->Entries) names.push_back(name);
  return 0;
}

int MemoryFileSystem::LockExclusive(int fd, int /*milliseconds*/) {
  Description* d = Find(fd);
  if (d == nullptr) return ResultOf(FileError::BadDescriptor);
  if (d->File->LockedBy != 0 && d->File->LockedBy != fd) return ResultOf(FileError::WouldBlock);
  d->File->LockedBy = fd;
  return 0;
}

int MemoryFileSystem::MakeDirectory(const std::string& path) {
  Lookup lookup;
  if (const int e = Walk(path, false, lookup); e < 0) return e;
  if (lookup.Found != nullptr) return ResultOf(FileError::Exists);
  lookup.Parent->Entries[lookup.Name] = NewNode(FileInfo::Kind::Directory, 0755 & ~umask_);
  Touch(*lookup.Parent);
  return 0;
}

bool MemoryFileSystem::MakeParents(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return true;
  const std::string parent = path.substr(0, slash);
  FileInfo info;
  if (Stat(parent, info, true) == 0) return info.Type == FileInfo::Kind::Directory;
  if (!MakeParents(parent)) return false;
  return MakeDirectory(parent) == 0;
}

bool MemoryFileSystem::Put(const std::string& path, std::vector<std::uint8_t> bytes,
                           unsigned mode) {
  if (!MakeParents(path)) return false;
  Lookup lookup;
  if (Walk(path, true, lookup) < 0) return false;
  if (lookup.Found == nullptr) {
    if (lookup.Parent == nullptr || lookup.TrailingSlash) return false;
    lookup.Found = NewNode(FileInfo::Kind::Regular, mode);
    lookup.Parent->Entries[lookup.Name] = lookup.Found;
    Touch(*lookup.Parent);
  } else if (lookup.Found->Type != FileInfo::Kind::Regular) {
    return false;
  }
  used_ -= lookup.Found->Bytes.size();
  used_ += bytes.size();
  lookup.Found->Bytes = std::move(bytes);
  Touch(*lookup.Found);
  return true;
}

bool MemoryFileSystem::PutLink(const std::string& path, const std::string& text) {
  if (!MakeParents(path)) return false;
  Lookup lookup;
  if (Walk(path, false, lookup) < 0 || lookup.Found != nullptr || lookup.Parent == nullptr) {
    return false;
  }
  const std::shared_ptr<Node> link = NewNode(FileInfo::Kind::SymbolicLink, 0777);
  link->Link = text;
  lookup.Parent->Entries[lookup.Name] = link;
  Touch(*lookup.Parent);
  return true;
}

bool MemoryFileSystem::Remove(const std::string& path) {
  return Unlink(path) == 0;
}

const std::vector<std::uint8_t>* MemoryFileSystem::Contents(const std::string& path) const {
  Lookup lookup;
  if (Walk(path, true, lookup) < 0 || lookup.Found == nullptr ||
      lookup.Found->Type != FileInfo::Kind::Regular) {
    return nullptr;
  }
  return &lookup.Found->Bytes;
}

bool MemoryFileSystem::Holds(const std::string& path) const {
  Lookup lookup;
  return Walk(path, false, lookup) == 0 && lookup.Found != nullptr;
}

}  // namespace enclova
