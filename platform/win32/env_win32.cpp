// The Env of the Windows program.
//
// Program paths are Shift_JIS bytes; every call converts them from code page
// 932 to UTF-16 and uses the wide-character API, so names with Japanese
// characters work whatever the system's ANSI code page is.  Results that come
// back as text (listings, directories, INI values) are converted to 932 and
// cut to the caller's buffer without splitting a character.
#include <direct.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>

#include "platform/env.h"
#include "platform/text.h"
#include "platform/win32/wide_text.h"

namespace vendrit {

namespace {

// Wide API results can be longer than MAX_PATH for deep trees; this is
// enough for anything the program's 260-byte paths can name.
constexpr DWORD kWideBufferChars = 32768;

// A handle closed by `Close` when it goes.
template <BOOL(WINAPI* Close)(HANDLE)>
class Owned {
 public:
  explicit Owned(HANDLE h) : h_(h) {}
  ~Owned() {
    if (h_ != INVALID_HANDLE_VALUE) Close(h_);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};
using FindHandle = Owned<FindClose>;
using Handle = Owned<CloseHandle>;

// A reparse point whose tag is a name surrogate (symbolic link, junction,
// mount point, and the like) stands for something elsewhere: it is a link.
// Other reparse points (deduplicated or cloud files) are what they hold.  A
// reparse point without a tag (Wine gives none for a Unix symbolic link) is
// taken for a link.
FileKind kind_of(DWORD attributes, DWORD reparse_tag) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
      (reparse_tag == 0 || IsReparseTagNameSurrogate(reparse_tag))) {
    return FileKind::kLink;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::kDir : FileKind::kFile;
}

void fill_entry(const WIN32_FIND_DATAW& d, DirEntry* entry) {
  entry->name = narrow(d.cFileName);
  entry->kind = kind_of(d.dwFileAttributes, d.dwReserved0);
  entry->size = entry->kind == FileKind::kFile
                    ? (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow
                    : 0;
}

int64_t time_of(const FILETIME& t) {
  return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

class Win32Listing : public DirListing {
 public:
  // `first` holds the entry FindFirstFileW returned; h may be invalid for a
  // directory that has no entries at all (a drive root can be such).
  Win32Listing(HANDLE h, const WIN32_FIND_DATAW& first) : h_(h), first_(first) {
    pending_ = h != INVALID_HANDLE_VALUE;
  }

  bool next(DirEntry* entry) override {
    if (h_.get() == INVALID_HANDLE_VALUE) return false;
    if (pending_) {
      pending_ = false;
      fill_entry(first_, entry);
      return true;
    }
    WIN32_FIND_DATAW d;
    if (!FindNextFileW(h_.get(), &d)) {
      failed_ = GetLastError() != ERROR_NO_MORE_FILES;
      return false;
    }
    fill_entry(d, entry);
    return true;
  }

  bool failed() const override { return failed_; }

 private:
  FindHandle h_;
  WIN32_FIND_DATAW first_;
  bool pending_;
  bool failed_ = false;
};

class Win32File : public File {
 public:
  explicit Win32File(HANDLE h) : h_(h) {}
  ~Win32File() override {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }

  long long read(void* buf, size_t n) override {
    size_t done = 0;
    while (done < n) {
      DWORD want = n - done > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n - done);
      DWORD got = 0;
      if (!ReadFile(h_, static_cast<char*>(buf) + done, want, &got, nullptr)) return -1;
      if (got == 0) break;
      done += got;
    }
    return static_cast<long long>(done);
  }

  bool write(const void* buf, size_t n) override {
    const char* p = static_cast<const char*>(buf);
    while (n > 0) {
      DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
      DWORD put = 0;
      if (!WriteFile(h_, p, want, &put, nullptr) || put == 0) return false;
      p += put;
      n -= put;
    }
    return true;
  }

  bool status(FileStatus* status) override {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h_, &info)) return false;
    status->kind = FileKind::kFile;
    status->size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status->modified = time_of(info.ftLastWriteTime);
    return true;
  }

  bool sync() override { return FlushFileBuffers(h_) != 0; }

  bool close() override {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h != INVALID_HANDLE_VALUE && CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

// Global atom other tools look for while the program runs.
const wchar_t kAtomName[] = L"vendrit";
// The authoritative marker: a named mutex is tested and taken in one step
// and vanishes with the process, so a crash never blocks the next start.
const wchar_t kMutexName[] = L"Local\\vendrit.instance";

class Win32Env : public Env {
 public:
  std::unique_ptr<DirListing> list_dir(const char* path, bool sizes) override {
    (void)sizes;  // a listing tells them anyway
    std::wstring pattern = widen(path) + L"\\*.*";
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW(pattern.c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() != ERROR_FILE_NOT_FOUND) return nullptr;
      // No entry matched: an empty listing if the directory itself exists.
      FileStatus st;
      if (!stat(path, &st) || st.kind != FileKind::kDir) return nullptr;
    }
    return std::make_unique<Win32Listing>(h, d);
  }

  bool stat(const char* path, FileStatus* status) override {
    std::wstring w = widen(path);
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(w.c_str(), GetFileExInfoStandard, &a)) return false;
    DWORD tag = 0;
    if (a.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // Only a listing tells the reparse tag; an unknown tag counts as a link.
      WIN32_FIND_DATAW d;
      HANDLE h = FindFirstFileW(w.c_str(), &d);
      tag = IO_REPARSE_TAG_SYMLINK;
      if (h != INVALID_HANDLE_VALUE) {
        tag = d.dwReserved0;
        FindClose(h);
      }
    }
    status->kind = kind_of(a.dwFileAttributes, tag);
    status->size = status->kind == FileKind::kFile
                       ? (static_cast<uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow
                       : 0;
    status->modified = time_of(a.ftLastWriteTime);
    return true;
  }

  bool identity(const char* path, FileIdentity* id) override {
    // No access asked for: the handle only answers what the name leads to.
    // Backup semantics let it open a directory too.
    Handle h(CreateFileW(widen(path).c_str(), 0,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (h.get() == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h.get(), &info)) return false;
    id->volume = info.dwVolumeSerialNumber;
    id->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id->index_high = 0;
    return true;
  }

  bool make_dir(const char* path) override {
    return _wmkdir(widen(path).c_str()) == 0 || fail(errno);
  }

  bool remove_dir(const char* path) override {
    return RemoveDirectoryW(widen(path).c_str()) != 0;
  }

  bool rename_file(const char* from, const char* to) override {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
    return MoveFileExW(widen(from).c_str(), widen(to).c_str(), 0) != 0;
  }

  bool replace_file(const char* from, const char* to, const FileStatus* unchanged) override {
    if (unchanged) {
      FileStatus now;
      if (!stat(to, &now) || now.kind != FileKind::kFile || now.size != unchanged->size ||
          now.modified != unchanged->modified) {
        return fail(kErrChanged);
      }
    }
    return MoveFileExW(widen(from).c_str(), widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }

  bool sync_dir(const char* path) override {
    (void)path;
    return true;
  }

  bool remove_file(const char* path) override {
    return _wremove(widen(path).c_str()) == 0 || fail(errno);
  }

  bool writable(const char* path) override {
    // Read-only files and files another program holds without sharing both
    // refuse to be opened for writing, as they would refuse to be replaced.
    Handle h(CreateFileW(widen(path).c_str(), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return h.get() != INVALID_HANDLE_VALUE;
  }

  std::unique_ptr<File> open(const char* path, OpenMode mode) override {
    DWORD access = GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    switch (mode) {
      case OpenMode::kRead: access = GENERIC_READ; break;
      case OpenMode::kWriteTruncate: disposition = CREATE_ALWAYS; break;
      case OpenMode::kAppend: access = FILE_APPEND_DATA; disposition = OPEN_ALWAYS; break;
      case OpenMode::kCreateNew: disposition = CREATE_NEW; break;
    }
    // Other programs (the reader itself) may hold the file open; share
    // everything so that neither side locks the other out.
    // The name itself is opened, not what a link in its place points at:
    // such a handle is refused below, as are devices such as CON or NUL.
    // Other reparse points (cloud or deduplicated files) are opened again
    // the ordinary way, which gives their content.
    const std::wstring name = widen(path);
    HANDLE h = CreateFileW(name.c_str(), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    FILE_ATTRIBUTE_TAG_INFO tag;
    bool regular = GetFileType(h) == FILE_TYPE_DISK &&
                   GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag) &&
                   !(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (regular && (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      CloseHandle(h);
      if (kind_of(tag.FileAttributes, tag.ReparseTag) == FileKind::kLink) return nullptr;
      h = CreateFileW(name.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                      nullptr);
      if (h == INVALID_HANDLE_VALUE) return nullptr;
    } else if (!regular) {
      CloseHandle(h);
      return nullptr;
    }
    return std::make_unique<Win32File>(h);
  }

  bool fix_root() override {
    std::wstring w(kWideBufferChars, L'\0');
    DWORD n = GetCurrentDirectoryW(kWideBufferChars, &w[0]);
    if (n == 0 || n >= kWideBufferChars) return false;
    w.resize(n);
    root_ = w;
    return true;
  }

  bool enter_root() override { return root_.empty() || SetCurrentDirectoryW(root_.c_str()) != 0; }

  bool instance_marker_acquire() override {
    HANDLE m = CreateMutexW(nullptr, FALSE, kMutexName);
    DWORD err = GetLastError();
    if (m && err == ERROR_ALREADY_EXISTS) {
      CloseHandle(m);
      return false;
    }
    if (!m) return err != ERROR_ACCESS_DENIED;  // denied: another user's instance holds it
    mutex_ = m;
    // The atom is for the benefit of other tools.  One left by a crashed
    // instance is not a reason to refuse: the mutex above decides.
    atom_ = GlobalAddAtomW(kAtomName);
    return true;
  }

  void instance_marker_release() override {
    if (atom_) {
      GlobalDeleteAtom(atom_);
      atom_ = 0;
    }
    if (mutex_) {
      CloseHandle(mutex_);
      mutex_ = nullptr;
    }
  }

  // A mutex named after the root directory's identity, in the namespace all
  // sessions share: every user's instance on the same directory, by
  // whatever path or drive letter it was reached, meets it, and it goes
  // with the process.  One created by another user cannot be opened
  // (access denied), which also means that it is held.
  bool root_lock_acquire() override {
    if (root_mutex_) return false;
    FileIdentity id;
    if (!identity(".", &id)) return true;  // nothing to name it by: do not refuse
    wchar_t name[96];
    swprintf(name, sizeof name / sizeof name[0], L"Global\\vendrit.root.%08llx.%016llx",
             static_cast<unsigned long long>(id.volume), static_cast<unsigned long long>(id.index));
    HANDLE m = CreateMutexW(nullptr, FALSE, name);
    DWORD err = GetLastError();
    if (m && err == ERROR_ALREADY_EXISTS) {
      CloseHandle(m);
      return false;
    }
    if (!m) return err != ERROR_ACCESS_DENIED;
    root_mutex_ = m;
    return true;
  }

  void root_lock_release() override {
    if (root_mutex_) {
      CloseHandle(root_mutex_);
      root_mutex_ = nullptr;
    }
  }

  unsigned long process_id() override { return GetCurrentProcessId(); }

  LocalTime local_time() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  }

  void sleep_ms(int ms) override { Sleep(ms < 0 ? 0 : static_cast<DWORD>(ms)); }

  bool read_shared_memory(const char* name, char* buf, size_t capacity, size_t* copied) override {
    *copied = 0;
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, widen(name).c_str());
    if (!mapping) return false;
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
      CloseHandle(mapping);
      return false;
    }
    // The mapping's size is the size of the region the view covers.
    MEMORY_BASIC_INFORMATION info;
    size_t size = VirtualQuery(view, &info, sizeof info) ? info.RegionSize : 0;
    size_t n = size < capacity ? size : capacity;
    memcpy(buf, view, n);
    *copied = n;
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    return true;
  }

  bool run_process(const char* command_line, const char* directory) override {
    std::wstring cmd = widen(command_line);
    std::wstring dir = directory ? widen(directory) : root_;
    // A directory that does not exist (a command whose arguments hold a
    // backslash) leaves the start in the current directory instead of
    // failing it.
    DWORD attributes = dir.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) dir.clear();
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
      return false;
    }
    bool waited = WaitForSingleObject(pi.hProcess, INFINITE) == WAIT_OBJECT_0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return waited;
  }

 private:
  std::wstring root_;
  HANDLE mutex_ = nullptr;
  HANDLE root_mutex_ = nullptr;
  ATOM atom_ = 0;
};

}  // namespace

Env* platform_env() {
  static Win32Env instance;
  return &instance;
}

}  // namespace vendrit
