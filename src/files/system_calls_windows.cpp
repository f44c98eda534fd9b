// The system calls of the files library on Windows: paths in UTF-16 through
// the wide-character calls, files as the C library's descriptors holding the
// system's file handles, and the replacement of a file by MoveFileExW, which
// (unlike rename() of the C library there) replaces a file that exists.
// Every error code is turned into the errno value of the same cause, so the
// messages read as on the other systems.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "files/system_calls.h"

#ifndef ERROR_DISK_QUOTA_EXCEEDED
#define ERROR_DISK_QUOTA_EXCEEDED 1295L
#endif

namespace korvane::files::detail {
namespace {

// Error codes without an errno value of their own are passed on above this
// base, so that the message can still name the code.
constexpr int kWindowsErrorBase = 0x20000000;

int errno_of(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
            return EACCES;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_BUSY:
        case ERROR_USER_MAPPED_FILE:
            return EBUSY;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_DISK_QUOTA_EXCEEDED:
            return EDQUOT;
        case ERROR_FILE_TOO_LARGE:
            return EFBIG;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_PARAMETER:
            return EINVAL;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
        case ERROR_NOT_ENOUGH_QUOTA:
            return ENOMEM;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_NOT_SAME_DEVICE:
            return EXDEV;
        case ERROR_CRC:
        case ERROR_SEEK:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_IO_DEVICE:
            return EIO;
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST:
            return ENODEV;
        case ERROR_INVALID_HANDLE:
            return EBADF;
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION:
            return EOPNOTSUPP;
        case ERROR_SEM_TIMEOUT:
            return ETIMEDOUT;
        case ERROR_NETNAME_DELETED:
        case ERROR_UNEXP_NET_ERR:
            return ESTALE;
        case ERROR_CANT_RESOLVE_FILENAME:
            return ELOOP;
        case ERROR_OPERATION_ABORTED:
            return EINTR;
        default:
            return kWindowsErrorBase + static_cast<int>(code & 0xFFFF);
    }
}

// Sets errno from the last error of the calling thread; returns -1.
int failed() {
    errno = errno_of(::GetLastError());
    return -1;
}

// Why a path was not found: a file where a folder of the path should be
// (ENOTDIR, as POSIX names it) or a part that is missing (ENOENT).
int not_found(const std::filesystem::path& path) {
    for (auto p = path.parent_path(); !p.empty(); p = p.parent_path()) {
        const DWORD attributes = ::GetFileAttributesW(p.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES)
            return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ENOENT : ENOTDIR;
        if (p == p.root_path()) break;
    }
    return ENOENT;
}

// errno for the last error of a call on `path`.
int errno_for(const std::filesystem::path& path) {
    const int err = errno_of(::GetLastError());
    return err == ENOENT ? not_found(path) : err;
}

HANDLE handle_of(int fd) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the C library hands the handle out as a number
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// A descriptor holding `h`, which it closes; -1 with errno on failure.
int descriptor_of(HANDLE h, int flags) {
    if (h == INVALID_HANDLE_VALUE) return failed();
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
    if (fd < 0) {
        ::CloseHandle(h);
        errno = EMFILE;
    }
    return fd;
}

ByteCount write_file(int fd, const void* data, std::size_t size) {
    const HANDLE h = handle_of(fd);
    if (h == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    DWORD written = 0;
    const auto n = static_cast<DWORD>(std::min<std::size_t>(size, 1U << 30));
    if (!::WriteFile(h, data, n, &written, nullptr)) return failed();
    return static_cast<ByteCount>(written);
}

ByteCount read_file(int fd, void* data, std::size_t size) {
    const HANDLE h = handle_of(fd);
    if (h == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    DWORD got = 0;
    const auto n = static_cast<DWORD>(std::min<std::size_t>(size, 1U << 30));
    if (!::ReadFile(h, data, n, &got, nullptr)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_HANDLE_EOF || code == ERROR_BROKEN_PIPE) return 0;
        errno = errno_of(code);
        return -1;
    }
    return static_cast<ByteCount>(got);
}

int flush_file(int fd) {
    const HANDLE h = handle_of(fd);
    if (h == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    return ::FlushFileBuffers(h) ? 0 : failed();
}

int close_file(int fd) {
    return ::_close(fd);
}

int replace_by(const PathChar* from, const PathChar* to) {
    // Write-through: the call returns when the new name is on the disk.
    return ::MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0
                                                                                       : failed();
}

PathState::Kind kind_of(HANDLE h, std::uintmax_t* size) {
    if (::GetFileType(h) != FILE_TYPE_DISK) return PathState::Kind::other;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) return PathState::Kind::other;
    if (size) {
        *size = (static_cast<std::uintmax_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return PathState::Kind::folder;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return PathState::Kind::other;
    return PathState::Kind::regular;
}

}  // namespace

SystemCalls& system_calls() {
    static SystemCalls calls{write_file, read_file, flush_file, close_file, replace_by};
    return calls;
}

PathState look_at(const std::filesystem::path& path) {
    PathState state;
    // Opened for no access at all, following a link: the kind of what the
    // path names in the end, even while another program has the file open.
    const HANDLE h =
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        state.error = errno_for(path);
        return state;
    }
    state.kind = kind_of(h, nullptr);
    ::CloseHandle(h);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    state.link =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    return state;
}

int check_writable(const std::filesystem::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return errno_of(::GetLastError());
    if (attributes & FILE_ATTRIBUTE_READONLY) return EACCES;
    // The permissions of the file's access list: may this user write it?
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return errno_of(::GetLastError());
    ::CloseHandle(h);
    return 0;
}

int create_new_file(const std::filesystem::path& path) {
    // Not shared while it is written; it gets the folder's inherited permissions.
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errno = errno_for(path);
        return -1;
    }
    return descriptor_of(h, _O_WRONLY | _O_BINARY);
}

int keep_owner_and_mode(int, const PathState&) {
    // A file's access list comes from its folder; there is no mode to copy.
    return 0;
}

void remove_file(const std::filesystem::path& path) {
    ::DeleteFileW(path.c_str());
}

void flush_folder(const std::filesystem::path&) {
    // MOVEFILE_WRITE_THROUGH has made the rename durable already.
}

long process_id() {
    return static_cast<long>(::GetCurrentProcessId());
}

int open_for_reading(const std::filesystem::path& path) {
    // FILE_FLAG_BACKUP_SEMANTICS lets a folder be opened, so that it is named
    // as a folder rather than as a file without permission.
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errno = errno_for(path);
        return -1;
    }
    return descriptor_of(h, _O_RDONLY | _O_BINARY);
}

int file_state(int fd, PathState::Kind& kind, std::uintmax_t& size) {
    const HANDLE h = handle_of(fd);
    if (h == INVALID_HANDLE_VALUE) return EBADF;
    size = 0;
    kind = kind_of(h, &size);
    return 0;
}

void prepare_process_for_file_writing() {
    // A drive without its medium is a failed call, not a box of the system's
    // own that waits for someone to answer it.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::string system_error_text(int err) {
    if (err < kWindowsErrorBase) return std::strerror(err);
    const auto code = static_cast<DWORD>(err - kWindowsErrorBase);
    std::string text = "Windows 错误码 " + std::to_string(code);
    wchar_t* message = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (length > 0 && message != nullptr) {
        std::wstring wide(message, length);
        while (!wide.empty() &&
               (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' ||
                wide.back() == L'.' || wide.back() == L'\x3002'))
            wide.pop_back();
        const int bytes = ::WideCharToMultiByte(
            CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
        if (bytes > 0) {
            std::string utf8(static_cast<std::size_t>(bytes), '\0');
            ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                  utf8.data(), bytes, nullptr, nullptr);
            text.append("：").append(utf8);
        }
    }
    if (message != nullptr) ::LocalFree(message);
    return text;
}

}  // namespace korvane::files::detail
