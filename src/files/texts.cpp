#include "files/texts.h"

#include <cerrno>
#include <cstring>

namespace korvane::files::detail {

std::string display_path(const std::filesystem::path& path) {
    return path.string();
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
        default:
            return std::string("系统错误（") + std::strerror(err) + "）";
    }
}

}  // namespace korvane::files::detail
