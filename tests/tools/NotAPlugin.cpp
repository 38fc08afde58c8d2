// A shared library that is no plug-in: it exports neither VSTPluginMain nor main.
#if defined(_WIN32)
#define KESTRUNE_EXPORTED extern "C" __declspec(dllexport)
#else
#define KESTRUNE_EXPORTED extern "C" __attribute__((visibility("default")))
#endif

KESTRUNE_EXPORTED int kestruneNotAPluginAnswer() {
    return 42;
}
