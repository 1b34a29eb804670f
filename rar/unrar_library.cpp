#include "rar/unrar_library.h"

#include "rar/rar.h"

#include <dlfcn.h>

namespace zarvon::rar {

namespace {
const char *libraryNameOverride = nullptr;
}

void setUnrarLibraryNameForTesting(const char *name) { libraryNameOverride = name; }

namespace detail {

const char *unrarLibraryName() { return libraryNameOverride ? libraryNameOverride : kUnrarLibraryName; }

namespace {

template <typename Fn>
bool lookUp(void *module, const char *name, Fn &slot)
{
    slot = reinterpret_cast<Fn>(::dlsym(module, name));
    return slot != nullptr;
}

} // namespace

std::unique_ptr<UnrarLibrary> UnrarLibrary::load()
{
    // RTLD_LOCAL: its symbols stay its own and go with it on unloading.
    void *module = ::dlopen(unrarLibraryName(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return nullptr;
    std::unique_ptr<UnrarLibrary> lib(new UnrarLibrary);
    lib->module_ = module;
    const bool complete =
        lookUp(module, "RAROpenArchiveEx", lib->openArchiveEx) &&
        lookUp(module, "RARReadHeaderEx", lib->readHeaderEx) && lookUp(module, "RARProcessFileW", lib->processFileW) &&
        lookUp(module, "RARSetPassword", lib->setPassword) && lookUp(module, "RARCloseArchive", lib->closeArchive) &&
        lookUp(module, "RARSetChangeVolProc", lib->setChangeVolProc) &&
        lookUp(module, "RARSetCallback", lib->setCallback);
    if (!complete)
        return nullptr;
    return lib;
}

UnrarLibrary::~UnrarLibrary()
{
    if (module_)
        ::dlclose(module_);
}

} // namespace detail

bool unrarLibraryAvailable() { return detail::UnrarLibrary::load() != nullptr; }

} // namespace zarvon::rar
