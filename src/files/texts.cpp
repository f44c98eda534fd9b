#include "files/texts.h"

#include <cerrno>

#include "files/system_calls.h"

namespace korvane::files::detail {

std::string display_path(const std::filesystem::path& path) {
    // UTF-8 on every system (on Windows, string() would give the ANSI code
    // page and fail on a character it lacks).
    const std::u8string text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

Error save_failure(const std::filesystem::path& path, std::string_view cause) {
    return Error{"无法保存文件“" + display_path(path) + "”：" + std::string(cause) + "！"};
}

Error read_failure(const std::filesystem::path& path, std::string_view cause) {
    return Error{"无法读取文件“" + display_path(path) + "”：" + std::string(cause) + "！"};
}

Error bare_failure(std::string_view cause) {
    return Error{std::string(cause) + "！"};
}

std::string errno_cause(int err) {
    switch (err) {
        case ENOSPC:
        case EDQUOT:
            return "磁盘空间不足";
        case EFBIG:
            return "文件超出了允许的大小";
        case EROFS:
            return "磁盘是只读的";
        case EACCES:
        case EPERM:
            return "没有访问权限";
        case ENAMETOOLONG:
            return "文件名太长";
        case EIO:
            return "磁盘读写出错";
        case EBUSY:
            return "文件或设备正被占用";
        case EXDEV:
            return "不能在不同的磁盘（文件系统）之间改名";
        case ENOMEM:
            return "内存不足";
        case ETXTBSY:
            return "文件是一个正在运行的程序，不能改写";
        case EMFILE:
            return "本程序打开的文件太多";
        case ENFILE:
            return "系统打开的文件太多";
        case EINTR:
            return "操作被中断";
        case ELOOP:
            return "路径中的符号链接太多或成环";
        case ENOTDIR:
            return "路径中有一段不是文件夹";
        case EISDIR:
            return "这是一个文件夹，不是文件";
        case ENOENT:
            return "文件或文件夹不存在";
        case EEXIST:
            return "文件已经存在";
        case EINVAL:
            return "文件名无效，或磁盘不支持这项操作";
        case EOVERFLOW:
            return "文件太大，无法处理";
        case EAGAIN:
            return "资源暂时不可用，请稍后再试";
        case ENXIO:
        case ENODEV:
            return "设备不存在";
        case EOPNOTSUPP:
            return "磁盘不支持这项操作";
        case EMLINK:
            return "文件的链接太多";
        case ESTALE:
            return "网络文件已失效";
        case ETIMEDOUT:
            return "操作超时";
        case ENOLCK:
            return "无法锁定文件";
        case EBADF:
            return "文件未正确打开";
        default:
            // Only an errno none of the above names reaches the system's text.
            return std::string("系统错误（").append(system_error_text(err)).append("）");
    }
}

}  // namespace korvane::files::detail
