#pragma once
// Owning handles for the GLib objects libinstpatch hands out, and its one-time set-up. Only the
// sound folder's libinstpatch readers include this (it pulls in the library's headers).
#include <libinstpatch/libinstpatch.h>

#include <memory>
#include <mutex>

namespace kelvara::sound {

template <class T>
struct GObjectUnref {
    void operator()(T* object) const { g_object_unref(object); }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref<T>>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GFree {
    void operator()(gchar* text) const { g_free(text); }
};
using GStringPtr = std::unique_ptr<gchar, GFree>;

// libinstpatch's type system is process-wide and must be set up once, whichever thread reads
// a bank first.
inline void init_instpatch_once() {
    static std::once_flag once;
    std::call_once(once, [] { ipatch_init(); });
}

}  // namespace kelvara::sound
