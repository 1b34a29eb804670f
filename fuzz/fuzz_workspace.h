// A private temporary folder for fuzz targets whose readers take only files:
// made once per process, removed with everything in it at the end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

struct FuzzWorkspace {
    std::filesystem::path root; // empty when the folder could not be made
    explicit FuzzWorkspace(const char *prefix)
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (::mkdtemp(tmpl.data()))
            root = tmpl;
    }
    ~FuzzWorkspace()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};
