#include "sound/linux/mapped_soundfont.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace sound::fluid {
namespace {

// Reads this large (sample data) are copied by the kernel instead: touching
// the map would fault in its pages one by one.
constexpr fluid_long_long_t largeRead = 64 * 1024;

struct MappedFile {
  int fd = -1;
  const unsigned char* bytes = nullptr;  // the whole file, or null: read instead
  fluid_long_long_t size = 0;
  fluid_long_long_t at = 0;
};

void* openFont(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  auto* file = new (std::nothrow) MappedFile{fd, nullptr, info.st_size, 0};
  if (file == nullptr) {
    ::close(fd);
    return nullptr;
  }
  if (info.st_size > 0) {
    void* map =
        mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (map != MAP_FAILED) file->bytes = static_cast<const unsigned char*>(map);
  }
  return file;
}

// Reads exactly `count` bytes, as the loader expects of a read.
int readFont(void* into, fluid_long_long_t count, void* handle) {
  auto* file = static_cast<MappedFile*>(handle);
  if (count < 0 || count > file->size - file->at) return FLUID_FAILED;
  if (file->bytes != nullptr && count < largeRead) {
    std::memcpy(into, file->bytes + file->at, static_cast<std::size_t>(count));
  } else {
    auto* out = static_cast<unsigned char*>(into);
    for (fluid_long_long_t got = 0; got < count;) {
      const ssize_t n = pread(file->fd, out + got, static_cast<std::size_t>(count - got),
                              static_cast<off_t>(file->at + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return FLUID_FAILED;
      got += n;
    }
  }
  file->at += count;
  return FLUID_OK;
}

int seekFont(void* handle, fluid_long_long_t offset, int origin) {
  auto* file = static_cast<MappedFile*>(handle);
  fluid_long_long_t to = offset;
  if (origin == SEEK_CUR) to += file->at;
  if (origin == SEEK_END) to += file->size;
  if (to < 0 || to > file->size) return FLUID_FAILED;
  file->at = to;
  return FLUID_OK;
}

fluid_long_long_t tellFont(void* handle) { return static_cast<MappedFile*>(handle)->at; }

int closeFont(void* handle) {
  auto* file = static_cast<MappedFile*>(handle);
  if (file->bytes != nullptr) {
    munmap(const_cast<unsigned char*>(file->bytes), static_cast<std::size_t>(file->size));
  }
  ::close(file->fd);
  delete file;
  return FLUID_OK;
}

}  // namespace

void readSoundFontsMapped(const Library& fluid, fluid_settings_t* settings, fluid_synth_t* synth) {
  fluid_sfloader_t* loader = fluid.new_defsfloader(settings);
  if (loader == nullptr) return;  // the synthesizer's own loader reads it
  fluid.sfloader_set_callbacks(loader, openFont, readFont, seekFont, tellFont, closeFont);
  fluid.synth_add_sfloader(synth, loader);  // the synthesizer owns it now
}

}  // namespace sound::fluid
