// A library's bitmap resources compiled into its binary.
//
// On Windows the pictures are resources of the binary (a resource script compiled with windres).
// With the software backend a table of BMP files is compiled in instead and registered under the
// binary's module when it is loaded:
//
//     const kestrune::platform::BitmapResource pictures[] = {{128, bytes128, sizeof bytes128}};
//     KESTRUNE_BITMAP_RESOURCES(pictures)
//
// Either way the library loads them by identifier with loadBitmapResource(module, id).
// kestrune_add_bitmap_resources() in platform/CMakeLists.txt generates both forms from BMP files.
#pragma once

#include "platform/Platform.h"

namespace kestrune::platform {

// Registers a table for as long as the binary stays loaded.
class BitmapResourceRegistration {
public:
    BitmapResourceRegistration(const BitmapResource* table, size_t count) : table_(table) {
        registerBitmapResources(moduleOfAddress(table), table, count);
    }
    ~BitmapResourceRegistration() { unregisterBitmapResources(moduleOfAddress(table_), table_); }
    BitmapResourceRegistration(const BitmapResourceRegistration&) = delete;
    BitmapResourceRegistration& operator=(const BitmapResourceRegistration&) = delete;

private:
    const BitmapResource* table_;
};

} // namespace kestrune::platform

#define KESTRUNE_BITMAP_RESOURCES(table)                                                           \
    namespace {                                                                                    \
    const ::kestrune::platform::BitmapResourceRegistration                                         \
        kestruneBitmapRegistration_##table(table, sizeof(table) / sizeof((table)[0]));             \
    }
