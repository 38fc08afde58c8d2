// What the small test plug-in tells its host, so tests can see inside it through the record only.
#pragma once

#include <cstdint>

namespace kestrune::testhost {

// The test effect reports these through audioMasterVendorSpecific, as the request's index.
enum TestEffectReport : int32_t {
    kReportClosed = 0x636C6F73,     // 'clos': its close handling ran
    kReportDestroyed = 0x64746F72,  // 'dtor': its destructor ran
    kReportKeyDown = 0x6B657964,    // 'keyd': the editor got a key (value: virt << 8 | modifier,
                                    // opt: the character)
    kAskEditorFailure = 0x6E656474, // 'nedt': asked at construction; non-zero makes the editor fail
};

// The test effect: two inputs, two outputs, two programs, three parameters. Processing writes
// input × parameter 0 (replacing) or adds it (accumulating).
constexpr int32_t kTestEffectPrograms = 2;
constexpr int32_t kTestEffectParams = 3;
constexpr int32_t kTestEffectUniqueId = 0x54657374; // 'Test'

} // namespace kestrune::testhost
