// The neutral editor and the effect's ownership of it.
#include "tests/shell/ProbeEffect.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kestrune::test {
namespace {

struct CountingEditor : EditorBase {
    explicit CountingEditor(PluginEffect* effect, int* destroyed)
        : EditorBase(effect), destroyed_(destroyed) {}
    ~CountingEditor() override { ++*destroyed_; }
    void refresh() override { ++refreshes; }
    int refreshes = 0;
    int* destroyed_;
};

TEST(EditorBase, NeutralAnswers) {
    ProbeEffect effect;
    EditorBase editor(&effect);
    EXPECT_EQ(editor.attachedEffect, &effect);
    ERect dummy{};
    ERect* rect = &dummy;
    EXPECT_EQ(editor.queryRect(&rect), 0);
    EXPECT_EQ(rect, nullptr);
    int parent = 0;
    EXPECT_EQ(editor.openIn(&parent), 0);
    EXPECT_EQ(editor.parentWindow, &parent);
    EXPECT_EQ(editor.keyPressed(VstKeyCode{}), -1);
    EXPECT_EQ(editor.keyReleased(VstKeyCode{}), -1);
    EXPECT_EQ(editor.changeKnobMode(2), 0);
    EXPECT_FALSE(editor.wheelTurned(1.0f));
}

TEST(EditorBase, RequestedRefreshRunsOnceAtTheNextIdleTick) {
    ProbeEffect effect;
    int destroyed = 0;
    CountingEditor editor(&effect, &destroyed);
    editor.idleTick();
    EXPECT_EQ(editor.refreshes, 0);
    editor.requestRefresh();
    editor.idleTick();
    EXPECT_EQ(editor.refreshes, 1);
    EXPECT_EQ(editor.refreshPending, 0);
    editor.idleTick();
    EXPECT_EQ(editor.refreshes, 1);
}

TEST(EditorBase, TheEffectDeletesItsEditor) {
    int destroyed = 0;
    {
        ProbeEffect effect;
        effect.ownedEditor = new CountingEditor(&effect, &destroyed);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(PluginEffect, ConstructionFillsTheRecord) {
    ProbeEffect effect;
    const AEffect& record = effect.hostRecord;
    EXPECT_EQ(record.magic, kEffectMagic);
    EXPECT_NE(record.dispatcher, nullptr);
    EXPECT_NE(record.process, nullptr);
    EXPECT_NE(record.processReplacing, nullptr);
    EXPECT_EQ(record.processDoubleReplacing, nullptr);
    EXPECT_EQ(record.numPrograms, 4);
    EXPECT_EQ(record.numParams, 14);
    EXPECT_EQ(record.numInputs, 1);
    EXPECT_EQ(record.numOutputs, 2);
    EXPECT_EQ(record.flags, 0);
    EXPECT_EQ(record.ioRatio, 1.0f);
    EXPECT_EQ(record.object, &effect);
    EXPECT_EQ(record.uniqueID, 0x4E6F4566);
    EXPECT_EQ(record.version, 1);
    EXPECT_EQ(effect.currentSampleRate(), 44100.0f);
    EXPECT_EQ(effect.currentBlockSize(), 1024);
    for (char byte : record.future) {
        EXPECT_EQ(byte, 0);
    }
}

TEST(PluginEffect, FlagSettersSetAndClearTheirBits) {
    struct Setter {
        void (PluginEffect::*set)(bool);
        int32_t bit;
    };
    const Setter setters[] = {
        {&PluginEffect::declareVu, 4},      {&PluginEffect::declareClip, 2},
        {&PluginEffect::declareMono, 8},    {&PluginEffect::declareReplacing, 16},
        {&PluginEffect::declareChunks, 32},
    };
    for (const Setter& setter : setters) {
        ProbeEffect effect;
        effect.hostRecord.flags = 0x40000;
        (effect.*setter.set)(true);
        EXPECT_EQ(effect.hostRecord.flags, 0x40000 | setter.bit);
        (effect.*setter.set)(false);
        EXPECT_EQ(effect.hostRecord.flags, 0x40000);
    }
    const struct {
        void (PluginEffectExt::*set)(bool);
        int32_t bit;
    } extended[] = {{&PluginEffectExt::declareAsync, 1024},
                    {&PluginEffectExt::declareExternalBuffer, 2048},
                    {&PluginEffectExt::declareSynth, 256},
                    {&PluginEffectExt::declareNoTail, 512}};
    for (const auto& setter : extended) {
        ProbeEffect effect;
        (effect.*setter.set)(true);
        EXPECT_EQ(effect.hostRecord.flags, setter.bit);
        (effect.*setter.set)(false);
        EXPECT_EQ(effect.hostRecord.flags, 0);
    }
}

TEST(PluginEffect, DefaultTextsAreEmpty) {
    ProbeEffect effect;
    char text[16] = "junk";
    effect.PluginEffect::copyParamName(0, text);
    EXPECT_STREQ(text, "");
    std::strcpy(text, "junk");
    effect.PluginEffect::renameProgram(text);
    EXPECT_STREQ(text, "");
}

} // namespace
} // namespace kestrune::test
