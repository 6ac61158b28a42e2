// SPDX-License-Identifier: GPL-3.0-or-later
// A virtual pointer and keyboard on the compositor's seat, driven by lines on stdin, for tests on
// a headless compositor that has no input devices:
//   move X Y     pointer to (X, Y) in layout coordinates (extent given on the command line)
//   down | up    left button
//   key NAME     press and release Return, Escape or an evdev key code
// Each command is answered with "ok" once the compositor has processed it, "error" otherwise.
// Usage: wayland-input LAYOUT_WIDTH LAYOUT_HEIGHT
#define _GNU_SOURCE
#include "virtual-keyboard-client.h"
#include "virtual-pointer-client.h"

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* pointers;
static struct zwp_virtual_keyboard_manager_v1* keyboards;

static void
global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    (void)data;
    (void)version;
    if (!strcmp(interface, wl_seat_interface.name) && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (!strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name))
        pointers = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (!strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name))
        keyboards = wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
}

static void global_remove(void* data, struct wl_registry* registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static uint32_t now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

// The compositor needs a keymap before it accepts keys; the default layout's will do.
static int send_keymap(struct zwp_virtual_keyboard_v1* keyboard)
{
    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    struct xkb_keymap* keymap =
        context ? xkb_keymap_new_from_names(context, NULL, XKB_KEYMAP_COMPILE_NO_FLAGS) : NULL;
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : NULL;
    int fd = text ? memfd_create("keymap", MFD_CLOEXEC) : -1;
    const size_t size = text ? strlen(text) + 1 : 0;
    const int ok = fd >= 0 && write(fd, text, size) == (ssize_t)size;
    if (ok)
        zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, (uint32_t)size);
    if (fd >= 0)
        close(fd);
    free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return ok;
}

static int key_code(const char* name)
{
    if (!strcmp(name, "Return"))
        return KEY_ENTER;
    if (!strcmp(name, "Escape"))
        return KEY_ESC;
    return atoi(name);
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s LAYOUT_WIDTH LAYOUT_HEIGHT\n", argv[0]);
        return 2;
    }
    const uint32_t width = (uint32_t)atoi(argv[1]), height = (uint32_t)atoi(argv[2]);
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    static const struct wl_registry_listener listener = {global, global_remove};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, NULL);
    wl_display_roundtrip(display);
    if (!seat || !pointers || !keyboards) {
        fprintf(stderr, "the compositor offers no virtual pointer or keyboard\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointers, seat);
    struct zwp_virtual_keyboard_v1* keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboards, seat);
    if (!send_keymap(keyboard))
        return 1;

    char line[128], word[32];
    setvbuf(stdout, NULL, _IOLBF, 0);
    while (fgets(line, sizeof line, stdin)) {
        unsigned x, y;
        int ok = 1;
        if (sscanf(line, "move %u %u", &x, &y) == 2) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), x, y, width, height);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (!strncmp(line, "down", 4) || !strncmp(line, "up", 2)) {
            const uint32_t state =
                line[0] == 'd' ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED;
            zwlr_virtual_pointer_v1_button(pointer, now(), BTN_LEFT, state);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (sscanf(line, "key %31s", word) == 1 && key_code(word) > 0) {
            zwp_virtual_keyboard_v1_key(keyboard, now(), (uint32_t)key_code(word),
                                        WL_KEYBOARD_KEY_STATE_PRESSED);
            zwp_virtual_keyboard_v1_key(keyboard, now(), (uint32_t)key_code(word),
                                        WL_KEYBOARD_KEY_STATE_RELEASED);
        } else {
            ok = 0;
        }
        ok = wl_display_roundtrip(display) >= 0 && ok;
        puts(ok ? "ok" : "error");
    }
    wl_display_disconnect(display);
    return 0;
}
