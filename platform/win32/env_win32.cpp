// The Env of the Windows program.
//
// Program paths are Shift_JIS bytes; every call converts them from code page
// 932 to UTF-16 and uses the wide-character API, so names with Japanese
// characters work whatever the system's ANSI code page is.  A relative path
// is put below the root (kept in UTF-16, so that a folder named outside code
// page 932 still leads to it) and every file call gets a "\\?\" path: no
// MAX_PATH limit, and a name that ends in a dot or a blank is the name it
// says (without the prefix Windows strips them and names another file).
// Results that come back as text (listings) are converted to 932 without a
// look-alike for a character that has none.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "platform/env.h"
#include "platform/text.h"
#include "platform/win32/wide_text.h"

namespace vendrit {

namespace {

// A handle closed by `Close` when it goes; null and INVALID_HANDLE_VALUE
// both stand for none.
template <typename T, BOOL(WINAPI* Close)(T)>
class Owned {
 public:
  Owned() = default;
  explicit Owned(T h) : h_(h) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : h_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    reset(other.release());
    return *this;
  }
  T get() const { return h_; }
  explicit operator bool() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
  T release() {
    T h = h_;
    h_ = T();
    return h;
  }
  void reset(T h = T()) { close(), h_ = h; }
  // Closes it now; false when there was none or closing failed.
  bool close() {
    bool open = static_cast<bool>(*this);
    return open && Close(release());
  }

 private:
  T h_ = T();
};
using Handle = Owned<HANDLE, CloseHandle>;
using FindHandle = Owned<HANDLE, FindClose>;
using MappedView = Owned<LPCVOID, UnmapViewOfFile>;

// The C library's number for a Win32 error, as the Microsoft C runtime maps
// it (the core prints it and compares it with kErrNoEntry and the like).
int errno_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_DRIVE:
    case ERROR_NO_MORE_FILES: case ERROR_BAD_NETPATH: case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME: case ERROR_FILENAME_EXCED_RANGE:
      return ENOENT;
    case ERROR_ACCESS_DENIED: case ERROR_CURRENT_DIRECTORY: case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE: case ERROR_FAIL_I24: case ERROR_DRIVE_LOCKED: case ERROR_SEEK_ON_DEVICE:
    case ERROR_NOT_LOCKED: case ERROR_LOCK_FAILED:
      return EACCES;
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_INVALID_HANDLE: case ERROR_INVALID_TARGET_HANDLE: case ERROR_DIRECT_ACCESS_HANDLE:
      return EBADF;
    case ERROR_ARENA_TRASHED: case ERROR_NOT_ENOUGH_MEMORY: case ERROR_INVALID_BLOCK:
    case ERROR_NOT_ENOUGH_QUOTA:
      return ENOMEM;
    case ERROR_BAD_ENVIRONMENT: return E2BIG;
    case ERROR_BAD_FORMAT: return ENOEXEC;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_NO_PROC_SLOTS: case ERROR_MAX_THRDS_REACHED: case ERROR_NESTING_NOT_ALLOWED:
      return EAGAIN;
    case ERROR_BROKEN_PIPE: return EPIPE;
    case ERROR_DISK_FULL: return ENOSPC;
    case ERROR_WAIT_NO_CHILDREN: case ERROR_CHILD_NOT_COMPLETE: return ECHILD;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
  }
  // Write protection, sharing and lock violations and their kin.
  if (error >= ERROR_WRITE_PROTECT && error <= ERROR_SHARING_BUFFER_EXCEEDED) return EACCES;
  if (error >= ERROR_INVALID_STARTING_CODESEG && error <= ERROR_INFLOOP_IN_RELOC_CHAIN) {
    return ENOEXEC;
  }
  return EINVAL;
}

bool fail_win32(DWORD error) { return Env::fail(errno_of(error)); }
bool fail_last() { return fail_win32(GetLastError()); }

template <typename T>
std::unique_ptr<T> fail_null(int error) {
  Env::fail(error);
  return nullptr;
}

// A file held open by another program (a virus scanner, a sync client, the
// reader itself) is let go within moments: a rename, a removal or an open
// for writing that meets one is tried again, 5 times 100 ms apart.
constexpr int kTries = 5;
constexpr DWORD kTryGapMs = 100;

// Whether `error` on `path` may go by itself.  Access denied does only on a
// regular file that is not read-only: on a read-only file or a directory it
// lasts, and waiting for it would only hold the run up.
bool held_by_another(DWORD error, const std::wstring& path) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
  if (error != ERROR_ACCESS_DENIED) return false;
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES &&
         !(a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
}

// Calls `attempt` until it succeeds or fails for good; false leaves the
// cause in last_error().
template <typename Attempt>
bool retried(const std::wstring& path, Attempt attempt) {
  for (int tried = 1;; ++tried) {
    if (attempt()) return true;
    DWORD error = GetLastError();
    if (tried == kTries || !held_by_another(error, path)) return fail_win32(error);
    Sleep(kTryGapMs);
  }
}

bool starts_with(const std::wstring& s, const wchar_t* prefix) {
  return s.compare(0, wcslen(prefix), prefix) == 0;
}

const wchar_t kLongPrefix[] = L"\\\\?\\";

// Where the directories start in a "\\?\" path: after "\\?\C:",
// "\\?\UNC\server\share" or "\\?\Volume{...}".
size_t volume_end(const std::wstring& path) {
  size_t at = 4;
  int parts = _wcsnicmp(path.c_str() + at, L"UNC\\", 4) == 0 ? 3 : 1;
  for (; parts > 0 && at < path.size(); --parts) {
    at = path.find(L'\\', at);
    if (at == std::wstring::npos) return path.size();
    if (parts > 1) ++at;
  }
  return at;
}

// The "\\?\" form of an absolute path ("C:\...", "\\server\share\...", or
// one in "\\?\" form already), normalised as the system does for a path
// without the prefix: "." goes, ".." takes the name before it (never the
// volume), and empty names go.  A name ending in a dot or blank stays.
std::wstring extended(const std::wstring& absolute) {
  std::wstring path = starts_with(absolute, kLongPrefix) ? absolute
                      : starts_with(absolute, L"\\\\") ? L"\\\\?\\UNC\\" + absolute.substr(2)
                                                       : kLongPrefix + absolute;
  size_t floor = volume_end(path);
  std::wstring out = path.substr(0, floor);
  for (size_t at = floor; at < path.size();) {
    size_t end = path.find(L'\\', at);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring name = path.substr(at, end - at);
    at = end + 1;
    if (name == L"..") {
      if (out.size() > floor) out.resize(out.rfind(L'\\'));
    } else if (!name.empty() && name != L".") {
      out += L'\\';
      out += name;
    }
  }
  // The volume's root directory (without the backslash it names the volume).
  if (out.size() == floor) out += L'\\';
  return out;
}

// The form a process takes as its directory: without "\\?\".
std::wstring plain(const std::wstring& path) {
  if (starts_with(path, L"\\\\?\\UNC\\")) return L"\\" + path.substr(7);
  return starts_with(path, kLongPrefix) ? path.substr(4) : path;
}

bool current_directory(std::wstring* out) {
  for (DWORD size = MAX_PATH;;) {
    out->assign(size, L'\0');
    DWORD n = GetCurrentDirectoryW(size, &(*out)[0]);
    if (n == 0) return fail_last();
    if (n < size) {
      out->resize(n);
      return true;
    }
    size = n;  // it needs n characters with the terminator
  }
}

bool is_directory(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

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

// The attributes and reparse tag of an open handle; false when it is no
// file on a disk (a device such as CON or NUL).
bool tag_of(HANDLE h, FILE_ATTRIBUTE_TAG_INFO* tag) {
  return GetFileType(h) == FILE_TYPE_DISK &&
         GetFileInformationByHandleEx(h, FileAttributeTagInfo, tag, sizeof *tag);
}

Handle open_attributes(const std::wstring& path, DWORD flags) {
  return Handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
}

int64_t time_of(const FILETIME& t) {
  return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

// Size and time of last change of an open file: what File::status gives,
// and what replace_file compares with it.
bool status_of(HANDLE h, FileStatus* status) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return fail_last();
  status->kind = FileKind::kFile;
  status->size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  status->modified = time_of(info.ftLastWriteTime);
  return true;
}

// FileIdInfo (Windows 8 and later), declared here since the program also
// runs on Windows 7, where asking for it fails.
const auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
struct FileIdRecord {
  ULONGLONG volume;
  BYTE id[16];
};

void fill_entry(const WIN32_FIND_DATAW& d, DirEntry* entry) {
  // A name without a Shift_JIS form keeps its '?' stand-ins: no file can
  // be named so, and the core skips it.
  entry->name = narrow(d.cFileName, -1, &entry->unnamed);
  entry->kind = kind_of(d.dwFileAttributes, d.dwReserved0);
  entry->size = entry->kind == FileKind::kFile
                    ? (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow
                    : 0;
}

class Win32Listing : public DirListing {
 public:
  // `first` holds the entry FindFirstFileW returned; h may be none for a
  // directory that has no entries at all (a drive root can be such).
  Win32Listing(FindHandle h, const WIN32_FIND_DATAW& first)
      : h_(std::move(h)), first_(first), pending_(static_cast<bool>(h_)) {}

  bool next(DirEntry* entry) override {
    if (!h_) return false;
    if (pending_) {
      pending_ = false;
      fill_entry(first_, entry);
      return true;
    }
    WIN32_FIND_DATAW d;
    if (!FindNextFileW(h_.get(), &d)) {
      DWORD error = GetLastError();
      failed_ = error != ERROR_NO_MORE_FILES;
      if (failed_) fail_win32(error);
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
  explicit Win32File(Handle h) : h_(std::move(h)) {}

  long long read(void* buf, size_t n) override {
    size_t done = 0;
    while (done < n) {
      DWORD want = n - done > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n - done);
      DWORD got = 0;
      if (!ReadFile(h_.get(), static_cast<char*>(buf) + done, want, &got, nullptr)) {
        fail_last();
        return -1;
      }
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
      if (!WriteFile(h_.get(), p, want, &put, nullptr)) return fail_last();
      if (put == 0) return Env::fail(ENOSPC);
      p += put;
      n -= put;
    }
    return true;
  }

  bool status(FileStatus* status) override { return status_of(h_.get(), status); }

  bool sync() override { return FlushFileBuffers(h_.get()) || fail_last(); }

  bool close() override { return h_.close() || fail_last(); }

 private:
  Handle h_;
};

// Global atom other tools look for while the program runs.
const wchar_t kAtomName[] = L"vendrit";
// The authoritative marker: a named mutex is tested and taken in one step
// and vanishes with the process, so a crash never blocks the next start.
const wchar_t kMutexName[] = L"Local\\vendrit.instance";

// Takes the named mutex; false when another process holds it (one created
// by another user cannot be opened: access denied, which also means held).
bool take_mutex(const wchar_t* name, Handle* held) {
  Handle m(CreateMutexW(nullptr, FALSE, name));
  DWORD err = GetLastError();
  if (!m) return err != ERROR_ACCESS_DENIED;
  if (err == ERROR_ALREADY_EXISTS) return false;
  *held = std::move(m);
  return true;
}

// The program part and the parameters of a command line: a leading quoted
// part or the text up to the first blank, then the rest after blanks.
void split_command(const std::wstring& command, std::wstring* program, std::wstring* parameters) {
  size_t end;
  if (!command.empty() && command[0] == L'"') {
    end = command.find(L'"', 1);
    *program = command.substr(1, end == std::wstring::npos ? end : end - 1);
    if (end != std::wstring::npos) ++end;
  } else {
    end = command.find_first_of(L" \t");
    *program = command.substr(0, end);
  }
  size_t rest = end == std::wstring::npos ? end : command.find_first_not_of(L" \t", end);
  *parameters = rest == std::wstring::npos ? std::wstring() : command.substr(rest);
}

// A program whose manifest asks for elevation cannot be started by
// CreateProcess (ERROR_ELEVATION_REQUIRED, which MinGW's headers lack): the
// shell starts it, asking the user, and gives its process to wait for.
constexpr DWORD kElevationRequired = 740;
bool start_elevated(const std::wstring& command, const std::wstring& directory, Handle* process) {
  std::wstring program, parameters;
  split_command(command, &program, &parameters);
  // The shell may hand the start to extensions that need COM.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  info.lpFile = program.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = directory.c_str();
  info.nShow = SW_SHOWNORMAL;
  BOOL started = ShellExecuteExW(&info);
  DWORD error = GetLastError();
  if (SUCCEEDED(com)) CoUninitialize();
  if (!started) return fail_win32(error);
  process->reset(info.hProcess);
  return static_cast<bool>(*process) || Env::fail(ECHILD);  // started, but nothing to wait for
}

// A 64-bit FNV-1a hash of UTF-16 text.
uint64_t hash_of(const std::wstring& text) {
  uint64_t h = 14695981039346656037ull;
  for (wchar_t c : text) h = (h ^ static_cast<uint16_t>(c)) * 1099511628211ull;
  return h;
}

class Win32Env : public Env {
 public:
  std::unique_ptr<DirListing> list_dir(const char* path, bool sizes) override {
    (void)sizes;  // a listing tells them anyway
    std::wstring dir;
    if (!full_path(path, &dir)) return nullptr;
    WIN32_FIND_DATAW d;
    FindHandle h(FindFirstFileW((dir + (dir.back() == L'\\' ? L"*" : L"\\*")).c_str(), &d));
    if (!h) {
      DWORD error = GetLastError();
      if (error != ERROR_FILE_NOT_FOUND) return fail_null<DirListing>(errno_of(error));
      // No entry matched: an empty listing if the directory itself exists.
      FileStatus st;
      if (!stat(path, &st)) return nullptr;
      if (st.kind != FileKind::kDir) return fail_null<DirListing>(ENOTDIR);
    }
    return std::make_unique<Win32Listing>(std::move(h), d);
  }

  bool stat(const char* path, FileStatus* status) override {
    std::wstring name;
    if (!full_path(path, &name)) return false;
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &a)) return fail_last();
    DWORD reparse_tag = 0;
    if (a.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // The tag tells a link from a cloud file; one that cannot be told
      // counts as a link (Wine opens what a Unix link points at).
      Handle h = open_attributes(name, FILE_FLAG_OPEN_REPARSE_POINT);
      FILE_ATTRIBUTE_TAG_INFO tag;
      if (h && tag_of(h.get(), &tag) && (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        reparse_tag = tag.ReparseTag;
      }
    }
    status->kind = kind_of(a.dwFileAttributes, reparse_tag);
    status->size = status->kind == FileKind::kFile
                       ? (static_cast<uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow
                       : 0;
    status->modified = time_of(a.ftLastWriteTime);
    return true;
  }

  bool identity(const char* path, FileIdentity* id) override {
    std::wstring name;
    if (!full_path(path, &name)) return false;
    // Links followed: what the name leads to.
    Handle h = open_attributes(name, 0);
    if (!h) return fail_last();
    // The 128-bit id where the volume gives one (ReFS needs all of it).
    FileIdRecord r;
    if (GetFileInformationByHandleEx(h.get(), kFileIdInfo, &r, sizeof r)) {
      id->volume = r.volume;
      memcpy(&id->index, r.id, 8);
      memcpy(&id->index_high, r.id + 8, 8);
      if (id->known()) return true;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h.get(), &info)) return fail_last();
    id->volume = info.dwVolumeSerialNumber;
    id->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id->index_high = 0;
    return true;
  }

  bool make_dir(const char* path) override {
    std::wstring name;
    return full_path(path, &name) && (CreateDirectoryW(name.c_str(), nullptr) || fail_last());
  }

  bool remove_dir(const char* path) override {
    std::wstring name;
    return full_path(path, &name) &&
           retried(name, [&] { return RemoveDirectoryW(name.c_str()) != 0; });
  }

  bool rename_file(const char* from, const char* to) override {
    std::wstring f, t;
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
    return full_path(from, &f) && full_path(to, &t) && retried(f, [&] {
             return MoveFileExW(f.c_str(), t.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
           });
  }

  bool replace_file(const char* from, const char* to, const FileStatus* unchanged) override {
    std::wstring f, t;
    if (!full_path(from, &f) || !full_path(to, &t)) return false;
    if (unchanged) {
      // Looked at as File::status looks at an open file, and let go before
      // the move: an open handle on the target would stop it.
      Handle h = open_attributes(t, FILE_FLAG_OPEN_REPARSE_POINT);
      FILE_ATTRIBUTE_TAG_INFO tag;
      FileStatus now;
      if (!h || !tag_of(h.get(), &tag) ||
          kind_of(tag.FileAttributes, tag.ReparseTag) != FileKind::kFile ||
          !status_of(h.get(), &now) || now.size != unchanged->size ||
          now.modified != unchanged->modified) {
        return fail(kErrChanged);
      }
    }
    return retried(t, [&] {
      return MoveFileExW(f.c_str(), t.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    });
  }

  // Flushing the directory puts the names in it on the disk where the file
  // system can: FlushFileBuffers wants GENERIC_WRITE, which a directory
  // handle opened with backup semantics may have (NTFS flushes it; so does
  // Wine).  Where it cannot be flushed (unsupported, or denied) the names
  // still hold: every file was flushed before it was renamed with
  // MOVEFILE_WRITE_THROUGH, and NTFS logs its metadata changes.
  bool sync_dir(const char* path) override {
    std::wstring name;
    if (!full_path(path, &name)) return false;
    Handle h(CreateFileW(name.c_str(), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (h && FlushFileBuffers(h.get())) return true;
    DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_FUNCTION ||
           error == ERROR_NOT_SUPPORTED || fail_win32(error);
  }

  bool remove_file(const char* path) override {
    std::wstring name;
    return full_path(path, &name) && retried(name, [&] { return DeleteFileW(name.c_str()) != 0; });
  }

  // The replace (a rename over the file) needs DELETE access, and it fails
  // with access denied whenever the file is open, whatever sharing the
  // other handle allows (FileRenameInformation with ReplaceIfExists: "the
  // target file was open"); so the probe shares nothing.  Handles that only
  // read attributes take no part in sharing and pass unseen; the replace is
  // tried again for them.  The read-only attribute is looked at by itself:
  // it stops a replace, while an administrator (or Wine's root) may still
  // open such a file.
  bool writable(const char* path) override {
    std::wstring name;
    if (!full_path(path, &name)) return false;
    DWORD a = GetFileAttributesW(name.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return fail_last();
    if (a & FILE_ATTRIBUTE_READONLY) return fail(kErrAccess);
    Handle h;
    return retried(name, [&] {
      h.reset(CreateFileW(name.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
      return static_cast<bool>(h);
    });
  }

  std::unique_ptr<File> open(const char* path, OpenMode mode) override {
    std::wstring name;
    if (!full_path(path, &name)) return nullptr;
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
    Handle h;
    auto attempt = [&](DWORD how, DWORD flags) {
      h.reset(CreateFileW(name.c_str(), access, share, nullptr, how, FILE_ATTRIBUTE_NORMAL | flags,
                          nullptr));
      return static_cast<bool>(h);
    };
    auto open_name = [&] { return attempt(disposition, FILE_FLAG_OPEN_REPARSE_POINT); };
    bool opened = mode == OpenMode::kRead ? open_name() || fail_last() : retried(name, open_name);
    if (!opened) return nullptr;
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!tag_of(h.get(), &tag) || kind_of(tag.FileAttributes, tag.ReparseTag) != FileKind::kFile) {
      return fail_null<File>(kErrAccess);
    }
    if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !attempt(OPEN_EXISTING, 0)) {
      return fail_null<File>(errno_of(GetLastError()));
    }
    return std::make_unique<Win32File>(std::move(h));
  }

  bool fix_root() override { return current_directory(&root_); }

  bool enter_root() override {
    return root_.empty() || SetCurrentDirectoryW(root_.c_str()) || fail_last();
  }

  bool instance_marker_acquire() override {
    if (!take_mutex(kMutexName, &mutex_)) return false;
    // The atom is for the benefit of other tools.  One left by a crashed
    // instance is not a reason to refuse: the mutex above decides.
    if (mutex_) atom_ = GlobalAddAtomW(kAtomName);
    return true;
  }

  void instance_marker_release() override {
    if (atom_) {
      GlobalDeleteAtom(atom_);
      atom_ = 0;
    }
    mutex_.reset();
  }

  // A mutex named after the root directory's identity, in the namespace all
  // sessions share: every user's instance on the same directory, by
  // whatever path or drive letter it was reached, meets it, and it goes
  // with the process.  Where the identity is not known (some network file
  // systems), the root's full path names it, upper-cased as Windows compares
  // names, and hashed to fit a mutex name.
  bool root_lock_acquire() override {
    if (root_mutex_) return false;
    FileIdentity id;
    wchar_t name[96];
    std::wstring root;
    if (identity(".", &id) && id.known()) {
      swprintf(name, sizeof name / sizeof name[0], L"Global\\vendrit.root.%016llx.%016llx%016llx",
               static_cast<unsigned long long>(id.volume),
               static_cast<unsigned long long>(id.index_high),
               static_cast<unsigned long long>(id.index));
    } else if (full_path(".", &root)) {
      CharUpperBuffW(&root[0], static_cast<DWORD>(root.size()));
      swprintf(name, sizeof name / sizeof name[0], L"Global\\vendrit.root.path.%016llx",
               static_cast<unsigned long long>(hash_of(root)));
    } else {
      return true;  // nothing to name it by: do not refuse
    }
    return take_mutex(name, &root_mutex_);
  }

  void root_lock_release() override { root_mutex_.reset(); }

  unsigned long process_id() override { return GetCurrentProcessId(); }

  LocalTime local_time() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  }

  void sleep_ms(int ms) override { Sleep(ms < 0 ? 0 : static_cast<DWORD>(ms)); }

  bool read_shared_memory(const char* name, char* buf, size_t capacity, size_t* copied) override {
    *copied = 0;
    std::wstring w;
    if (!widen_exact(name, &w)) return fail(EILSEQ);
    Handle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, w.c_str()));
    if (!mapping) return fail_last();
    MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return fail_last();
    // The mapping's size is the size of the region the view covers.
    MEMORY_BASIC_INFORMATION info;
    size_t size = VirtualQuery(view.get(), &info, sizeof info) ? info.RegionSize : 0;
    size_t n = size < capacity ? size : capacity;
    memcpy(buf, view.get(), n);
    *copied = n;
    return true;
  }

  bool run_process(const char* command_line, const char* directory) override {
    std::wstring cmd, dir;
    if (!widen_exact(command_line, &cmd)) return fail(EILSEQ);
    // A directory that does not exist (a command whose arguments hold a
    // backslash) means the root, as no directory does.
    if (!directory || !full_path(directory, &dir) || !is_directory(dir)) {
      if (!full_path(".", &dir)) return false;
    }
    dir = plain(dir);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    Handle process;
    if (CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE,
                       CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, dir.c_str(), &si,
                       &pi)) {
      Handle thread(pi.hThread);
      process.reset(pi.hProcess);
    } else if (GetLastError() != kElevationRequired) {
      return fail_last();
    } else if (!start_elevated(cmd, dir, &process)) {
      return false;
    }
    return WaitForSingleObject(process.get(), INFINITE) == WAIT_OBJECT_0 || fail_last();
  }

 private:
  // The "\\?\" path a program path names: below the root (the current
  // directory until fix_root) unless it is absolute.  False when it holds a
  // byte sequence that is no Shift_JIS.
  bool full_path(const char* path, std::wstring* out) {
    std::wstring w;
    if (!widen_exact(path, &w)) return fail(EILSEQ);
    if (starts_with(w, kLongPrefix) || starts_with(w, L"\\\\.\\")) {
      *out = w;  // the caller's own device or "\\?\" path, as it is
      return true;
    }
    for (wchar_t& c : w) c = c == L'/' ? L'\\' : c;
    const bool drive = w.size() >= 2 && w[1] == L':';
    if (starts_with(w, L"\\\\") || (drive && w.size() > 2 && w[2] == L'\\')) {
      *out = extended(w);
      return true;
    }
    std::wstring base = root_;
    if (base.empty() && !current_directory(&base)) return false;
    base = extended(base);
    if (!w.empty() && w[0] == L'\\') {
      *out = extended(base.substr(0, volume_end(base)) + w);  // from the root's volume
    } else if (drive && _wcsnicmp(base.c_str() + 4, w.c_str(), 2) != 0) {
      // "D:name" on another drive than the root's: that drive's current directory.
      DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
      std::wstring full(n, L'\0');
      DWORD got = n ? GetFullPathNameW(w.c_str(), n, &full[0], nullptr) : 0;
      if (got == 0 || got >= n) return fail_last();
      full.resize(got);
      *out = extended(full);
    } else {
      *out = extended(base + L"\\" + w.substr(drive ? 2 : 0));
    }
    return true;
  }

  std::wstring root_;
  Handle mutex_;
  Handle root_mutex_;
  ATOM atom_ = 0;
};

}  // namespace

Env* platform_env() {
  static Win32Env instance;
  return &instance;
}

}  // namespace vendrit
