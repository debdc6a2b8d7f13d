/* The C interface of a feature-device library (one per model slot): the seven
 * entry points the program resolves by name, and the "window" it hands to
 * Open_DevMonitor, through which the library posts its two messages. */
#ifndef VELOR_DEVPORT_API_H
#define VELOR_DEVPORT_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* What the program passes as the window handle: post() delivers a message
 * with its two parameters to the program's UI thread; callable from any thread. */
typedef struct VelorPoster {
    void (*post)(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam);
    void* context;
} VelorPoster;

typedef void (*Set_VIDPID_fn)(int32_t vendorId, int32_t productId);
typedef void (*Open_DevMonitor_fn)(void* window, uint32_t messageA, uint32_t messageB);
typedef int32_t (*Open_FeatureDevice_fn)(void);
typedef int32_t (*SetFeature_fn)(const uint8_t* report, int32_t length);
typedef int32_t (*GetFeature_fn)(uint8_t* report, int32_t length);
typedef void (*Close_FeatureDevice_fn)(void);
typedef void (*Close_DevMonitor_fn)(void);

/* Optional, only in our own libraries: use the program's HID backend (a
 * velor::HidBackend*) so that program and library see the same devices and
 * share one hidapi lock. Called before Set_VIDPID when present. */
typedef void (*Velor_UseHidBackend_fn)(void* backend);

/* Messages the library posts. Message A: wParam 0x7F00 with lParam 1 (arrival)
 * or 2 (removal); or a status report: wParam = event type << 8 | model code,
 * lParam = value. Message B: wParam 1 arrival, 0 removal. */
#define VELOR_DEVPORT_PRESENCE 0x7F00
#define VELOR_DEVPORT_ARRIVAL 1
#define VELOR_DEVPORT_REMOVAL 2

#ifdef __cplusplus
}
#endif

#endif
