/* A pointer and a keyboard for compositors without input devices (a headless session),
 * through the wlroots virtual-pointer and the virtual-keyboard protocols (the keyboard
 * with the US layout, made by xkbcommon). Reads commands from standard input, one a
 * line, and answers "ok" on standard output once the compositor has handled each:
 *   move X Y W H   the pointer to (X, Y) of a layout W x H pixels large
 *   press          the left button pressed and released
 *   right          the right button pressed and released
 *   key CODE       the key of that kernel key code pressed and released (1 Escape,
 *                  28 Enter, 103 Up, 108 Down)
 * Prints "ready" when the pointer exists; exits 1 when the compositor has no such
 * protocol. */

#define _GNU_SOURCE /* memfd_create */
#include "virtual-keyboard-client.h"
#include "virtual-pointer-client.h"

#include <sys/mman.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wayland-client.h>

static struct wl_seat* g_seat;
static struct zwlr_virtual_pointer_manager_v1* g_manager;
static struct zwp_virtual_keyboard_manager_v1* g_keyboards;

static void Global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !g_seat)
        g_seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        g_manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        g_keyboards =
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
}

static void GlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener kRegistry = {Global, GlobalRemove};

int main(void) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, NULL);
    wl_display_roundtrip(display);
    if (!g_manager) {
        fprintf(stderr, "the compositor has no virtual pointer\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g_manager, g_seat);
    /* The keyboard, where the compositor has virtual keyboards, with the US keymap. */
    struct zwp_virtual_keyboard_v1* keyboard = NULL;
    if (g_keyboards && g_seat) {
        struct xkb_context* xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        struct xkb_rule_names names = {NULL, NULL, "us", NULL, NULL};
        struct xkb_keymap* keymap =
            xkb ? xkb_keymap_new_from_names(xkb, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : NULL;
        char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : NULL;
        if (text) {
            const size_t size = strlen(text) + 1;
            const int fd = memfd_create("keymap", MFD_CLOEXEC);
            if (fd >= 0 && write(fd, text, size) == (ssize_t)size) {
                keyboard =
                    zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(g_keyboards, g_seat);
                zwp_virtual_keyboard_v1_keymap(keyboard, XKB_KEYMAP_FORMAT_TEXT_V1, fd,
                                               (uint32_t)size);
            }
            if (fd >= 0)
                close(fd);
            free(text);
        }
        if (keymap)
            xkb_keymap_unref(keymap);
        if (xkb)
            xkb_context_unref(xkb);
    }
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);
    char line[128];
    uint32_t time = 1;
    while (fgets(line, sizeof line, stdin)) {
        unsigned x, y, w, h;
        if (sscanf(line, "move %u %u %u %u", &x, &y, &w, &h) == 4) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, time++, x, y, w, h);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (strncmp(line, "press", 5) == 0 || strncmp(line, "right", 5) == 0) {
            /* BTN_LEFT and BTN_RIGHT of linux/input-event-codes.h */
            const uint32_t button = line[0] == 'p' ? 0x110 : 0x111;
            zwlr_virtual_pointer_v1_button(pointer, time++, button, 1);
            zwlr_virtual_pointer_v1_frame(pointer);
            zwlr_virtual_pointer_v1_button(pointer, time++, button, 0);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (sscanf(line, "key %u", &x) == 1 && keyboard) {
            zwp_virtual_keyboard_v1_key(keyboard, time++, x, 1);
            zwp_virtual_keyboard_v1_key(keyboard, time++, x, 0);
        } else {
            fprintf(stderr, "unknown command: %s", line);
            continue;
        }
        if (wl_display_roundtrip(display) < 0)
            return 1;
        printf("ok\n");
        fflush(stdout);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
