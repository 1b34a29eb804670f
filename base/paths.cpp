#include "base/paths.h"

#include <cstdlib>

namespace zarvon::base {

std::string homeFolder()
{
    const char *home = std::getenv("HOME");
    return withTrailingSlash(home && *home ? home : "/");
}

std::string withTrailingSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string lastPathComponent(std::string_view path, std::string_view separators)
{
    size_t cut = path.find_last_of(separators);
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string parentFolder(std::string_view path)
{
    size_t cut = path.find_last_of('/');
    return std::string(cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1));
}

std::string pathExtension(std::string_view path)
{
    std::string last = lastPathComponent(path);
    size_t dot = last.find_last_of('.');
    return dot == std::string::npos ? std::string() : last.substr(dot + 1);
}

std::string joinPath(std::string_view folder, std::string_view name)
{
    if (folder.empty())
        return std::string(name);
    if (name.empty())
        return std::string(folder);
    std::string out(folder);
    if (out.back() != '/')
        out += '/';
    if (name.front() == '/')
        name.remove_prefix(1);
    out.append(name);
    return out;
}

} // namespace zarvon::base
