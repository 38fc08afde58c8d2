// The object registered with the platform's drag-and-drop service for the frame's window: it
// tells the dragging program whether text or files are welcome and, on a drop, hands the text or
// the list of file names (shortcuts resolved to their targets) to the frame.
#pragma once

#include "platform/Platform.h"

#include <cstdint>

namespace kestrune {

class Frame;

// Kinds of delivered data (the frame's handleDrop).
constexpr int dropKindFiles = 0;
constexpr int dropKindText = 1;
constexpr int droppedNameCapacity = 1024;

class DropTarget : public platform::DropTargetInterface {
public:
    explicit DropTarget(Frame* frame);

    int32_t KESTRUNE_PLATFORM_CALL QueryInterface(const platform::Guid& iid, void** out) override;
    uint32_t KESTRUNE_PLATFORM_CALL AddRef() override;
    uint32_t KESTRUNE_PLATFORM_CALL Release() override;
    int32_t KESTRUNE_PLATFORM_CALL DragEnter(platform::DataObject data, uint32_t keyState,
                                             platform::PointL point, uint32_t* effect) override;
    int32_t KESTRUNE_PLATFORM_CALL DragOver(uint32_t keyState, platform::PointL point,
                                            uint32_t* effect) override;
    int32_t KESTRUNE_PLATFORM_CALL DragLeave() override;
    int32_t KESTRUNE_PLATFORM_CALL Drop(platform::DataObject data, uint32_t keyState,
                                        platform::PointL point, uint32_t* effect) override;
    virtual ~DropTarget();

    int32_t referenceCount;
    bool acceptable;
    Frame* frame;
};

// Replaces a name ending in ".lnk" (any case) with the shortcut's target; false leaves it.
bool resolveShortcut(char* name);

// The format descriptions asked for: text, then a file list.
platform::FormatDescription textFormat();
platform::FormatDescription fileListFormat();

} // namespace kestrune
