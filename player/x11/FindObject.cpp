// The unwinder of GCC's static libgcc (linked in with -static-libgcc) finds a program's
// unwind tables through _dl_find_object when the C library it was built against has it
// (glibc 2.35 and later). Linked against Debian 12's glibc, the program would then need
// glibc 2.35 to start, which Ubuntu 22.04 does not have. This definition answers the
// same question through dl_iterate_phdr (glibc 2.2.5), so the program's own
// definition is used and no versioned reference to the C library's is made.

#include <link.h>

#if defined(DLFO_STRUCT_HAS_EH_DBASE)

#include <cstdint>
#include <cstring>

namespace {

struct Search {
    std::uintptr_t pc;
    dl_find_object* result;
    bool found;
};

int Visit(dl_phdr_info* info, size_t, void* data) {
    auto* search = static_cast<Search*>(data);
    std::uintptr_t low = UINTPTR_MAX, high = 0;
    bool contains = false;
    const void* ehFrame = nullptr;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        const std::uintptr_t start = info->dlpi_addr + ph.p_vaddr;
        if (ph.p_type == PT_LOAD) {
            low = start < low ? start : low;
            high = start + ph.p_memsz > high ? start + ph.p_memsz : high;
            if (search->pc >= start && search->pc < start + ph.p_memsz)
                contains = true;
        } else if (ph.p_type == PT_GNU_EH_FRAME) {
            ehFrame = reinterpret_cast<const void*>(start);
        }
    }
    if (!contains)
        return 0;
    std::memset(search->result, 0, sizeof *search->result);
    search->result->dlfo_map_start = reinterpret_cast<void*>(low);
    search->result->dlfo_map_end = reinterpret_cast<void*>(high);
    search->result->dlfo_eh_frame = const_cast<void*>(ehFrame);
    search->found = true;
    return 1;
}

} // namespace

extern "C" int _dl_find_object(void* address, dl_find_object* result) noexcept {
    Search search{reinterpret_cast<std::uintptr_t>(address), result, false};
    dl_iterate_phdr(Visit, &search);
    return search.found ? 0 : -1;
}

#endif
