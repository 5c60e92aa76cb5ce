// The embedded engine's search for its Unicode library, made cheap.
//
// On its first attach the engine's character-set module looks for the Unicode conversion
// library by asking the dynamic loader for every version name it knows ("libicuuc.so.4",
// "libicuuc.so.48", ... some 1,900 names), each in several spellings, until one loads. Every
// failed name costs the loader a search of its cache and of the library folders (about a
// second for the whole loop). The process already has a Unicode library loaded (the toolkit
// links one), and the engine can use that very one: so once PrepareEngineLoading has noted
// the folder it came from, a bare Unicode library name that does not exist in that folder
// fails at once, with the loader's own message, and every other request goes to the loader
// unchanged. A process without a Unicode library of its own keeps the full search.
//
// Left out of sanitizer builds: the sanitizer runtime intercepts the loader entry itself.
#include "IB.h"

#if defined(__SANITIZE_ADDRESS__)
#define KADRION_LOADER_SHORTCUT 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KADRION_LOADER_SHORTCUT 0
#endif
#endif
#ifndef KADRION_LOADER_SHORTCUT
#define KADRION_LOADER_SHORTCUT 1
#endif

#if KADRION_LOADER_SHORTCUT
#include <atomic>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <string>
#include <unistd.h>

namespace {

// The folder of the process's own Unicode library ("/lib/x86_64-linux-gnu/"), set once.
std::atomic<const std::string*> unicodeFolder{nullptr};

int findUnicodeLibrary(dl_phdr_info* info, size_t, void* data) {
    const char* path = info->dlpi_name;
    if (!path || !*path) return 0;
    const char* base = std::strrchr(path, '/');
    if (!base || std::strncmp(base + 1, "libicuuc.so.", 12) != 0) return 0;
    *static_cast<std::string*>(data) = std::string(path, size_t(base - path + 1));
    return 1;
}

bool isBareUnicodeName(const char* name) {
    return name && std::strncmp(name, "libicu", 6) == 0 && !std::strchr(name, '/');
}

using DlopenFn = void* (*)(const char*, int);

DlopenFn loaderEntry() {
    static const DlopenFn next = reinterpret_cast<DlopenFn>(dlsym(RTLD_NEXT, "dlopen"));
    return next;
}

} // namespace

extern "C" __attribute__((visibility("default"))) void* dlopen(const char* name,
                                                               int flags) noexcept {
    const DlopenFn next = loaderEntry();
    const std::string* folder = unicodeFolder.load(std::memory_order_acquire);
    if (folder && isBareUnicodeName(name)) {
        const std::string path = *folder + name;
        // A path the loader opens directly: a missing file fails without any search and
        // leaves the loader's message for dlerror.
        if (access(path.c_str(), F_OK) != 0) return next(path.c_str(), flags);
    }
    return next(name, flags);
}

void PrepareEngineLoading() {
    if (unicodeFolder.load(std::memory_order_acquire)) return;
    std::string found;
    dl_iterate_phdr(findUnicodeLibrary, &found);
    if (found.empty()) return;
    const std::string* expected = nullptr;
    auto* folder = new std::string(std::move(found)); // lives as long as the process
    if (!unicodeFolder.compare_exchange_strong(expected, folder, std::memory_order_acq_rel))
        delete folder;
}

#else

void PrepareEngineLoading() {}

#endif
