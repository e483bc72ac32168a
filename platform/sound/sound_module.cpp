#include "platform/sound/sound_module.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

namespace {

// Room for a directory and the module's name; a longer path is not looked in.
constexpr std::size_t PATH_CAPACITY = 4096;

struct Lookup {
    bool done = false;
    const SoundOperations* found = nullptr;
};

Lookup lookup;

// DIRECTORY/NAME into `path`; false when it does not fit.
bool join_path(const char* directory, std::size_t directory_length, char (&path)[PATH_CAPACITY]) {
    const std::size_t name_length = sizeof SOUND_MODULE_FILE - 1;
    if (directory_length + 1 + name_length >= PATH_CAPACITY) {
        return false;
    }
    std::memcpy(path, directory, directory_length);
    path[directory_length] = '/';
    std::memcpy(path + directory_length + 1, SOUND_MODULE_FILE, name_length + 1);
    return true;
}

// The folder the executable was started from, as the kernel knows it (symbolic links resolved).
bool path_beside_executable(char (&path)[PATH_CAPACITY]) {
    char executable[PATH_CAPACITY];
    const ssize_t length = readlink("/proc/self/exe", executable, sizeof executable);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof executable) {
        return false;
    }
    auto folder_length = static_cast<std::size_t>(length);
    while (folder_length > 0 && executable[folder_length - 1] != '/') {
        --folder_length;
    }
    if (folder_length == 0) {
        return false;
    }
    return join_path(executable, folder_length - 1, path);
}

// RTLD_LOCAL: the libraries' symbols stay out of the program's own name space.
const SoundOperations* open_module(const char* path) {
    void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        return nullptr;
    }
    const auto* operations = static_cast<const SoundOperations*>(dlsym(module, SOUND_MODULE_ENTRY));
    if (operations == nullptr || operations->version != SOUND_MODULE_VERSION) {
        dlclose(module);
        return nullptr;
    }
    return operations;  // kept loaded to the end: its libraries shut down at exit
}

}  // namespace

const SoundOperations* sound_module() {
    if (lookup.done) {
        return lookup.found;
    }
    lookup.done = true;
    char path[PATH_CAPACITY];
    if (path_beside_executable(path)) {
        lookup.found = open_module(path);
    }
    if (lookup.found == nullptr &&
        join_path(FLOODVALLEY_MODULE_DIR, sizeof FLOODVALLEY_MODULE_DIR - 1, path)) {
        lookup.found = open_module(path);
    }
    return lookup.found;
}
