// Preloaded (LD_PRELOAD) into a program started under Xvfb: the moment its
// first image goes to the X server, the first pixels a user sees, it prints
// "first pixels: <ms> ms, cpu <ms> ms" to stderr (wall time since
// VELOR_PIXELS_T0, the launch in ns of the realtime clock as `date +%s%N`
// prints it, and the process's CPU time), dumps callgrind's counts when run
// under it, and ends the process once the image is sent. The same for our
// program and for the floor window, whichever way Qt sends the image.
#include <dlfcn.h>
#include <unistd.h>
#include <valgrind/callgrind.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

extern "C" {

struct cookie_t {
    unsigned int sequence;
};
struct connection_t;
int xcb_flush(connection_t* c);

namespace {

double millis(clockid_t clock) {
    struct timespec t;
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void sent(connection_t* c) {
    CALLGRIND_DUMP_STATS;
    const double cpu = millis(CLOCK_PROCESS_CPUTIME_ID);
    const char* t0 = getenv("VELOR_PIXELS_T0");
    const double wall =
        t0 ? millis(CLOCK_REALTIME) - static_cast<double>(std::strtoll(t0, nullptr, 10)) / 1e6 : -1;
    std::fprintf(stderr, "first pixels: %.1f ms, cpu %.1f ms\n", wall, cpu);
    std::fflush(stderr);
    xcb_flush(c);
    _exit(0);
}

// Qt's platform plugin is opened with its libraries kept to itself: the real
// function is looked up in the library that holds it.
void* real(const char* library, const char* name) {
    void* handle = dlopen(library, RTLD_NOW | RTLD_NOLOAD);
    void* f = handle ? dlsym(handle, name) : nullptr;
    return f ? f : dlsym(RTLD_NEXT, name);
}
}  // namespace

#define REAL(library, name) (reinterpret_cast<name##_t>(real(library, #name)))

typedef cookie_t (*xcb_shm_put_image_t)(connection_t*, uint32_t, uint32_t, uint16_t, uint16_t,
                                        uint16_t, uint16_t, uint16_t, uint16_t, int16_t, int16_t,
                                        uint8_t, uint8_t, uint8_t, uint32_t, uint32_t);
cookie_t xcb_shm_put_image(connection_t* c, uint32_t drawable, uint32_t gc, uint16_t total_width,
                           uint16_t total_height, uint16_t src_x, uint16_t src_y,
                           uint16_t src_width, uint16_t src_height, int16_t dst_x, int16_t dst_y,
                           uint8_t depth, uint8_t format, uint8_t send_event, uint32_t shmseg,
                           uint32_t offset) {
    cookie_t r = REAL("libxcb-shm.so.0", xcb_shm_put_image)(
        c, drawable, gc, total_width, total_height, src_x, src_y, src_width, src_height, dst_x,
        dst_y, depth, format, send_event, shmseg, offset);
    sent(c);
    return r;
}

typedef cookie_t (*xcb_put_image_t)(connection_t*, uint8_t, uint32_t, uint32_t, uint16_t, uint16_t,
                                    int16_t, int16_t, uint8_t, uint8_t, uint32_t, const uint8_t*);
cookie_t xcb_put_image(connection_t* c, uint8_t format, uint32_t drawable, uint32_t gc,
                       uint16_t width, uint16_t height, int16_t dst_x, int16_t dst_y,
                       uint8_t left_pad, uint8_t depth, uint32_t data_len, const uint8_t* data) {
    cookie_t r = REAL("libxcb.so.1", xcb_put_image)(c, format, drawable, gc, width, height, dst_x,
                                                    dst_y, left_pad, depth, data_len, data);
    sent(c);
    return r;
}

}  // extern "C"
