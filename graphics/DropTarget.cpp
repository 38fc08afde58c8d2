#include "graphics/DropTarget.h"

#include "graphics/Frame.h"

#include <cstring>
#include <new>
#include <strings.h>

namespace kestrune {

namespace pf = platform;

pf::FormatDescription textFormat() {
    return {pf::formatText, nullptr, pf::aspectContent, -1, pf::mediumGlobalMemory};
}

pf::FormatDescription fileListFormat() {
    return {pf::formatFileList, nullptr, pf::aspectContent, -1, pf::mediumGlobalMemory};
}

bool resolveShortcut(char* name) {
    if (!name)
        return false;
    const char* dot = std::strrchr(name, '.');
    if (!dot || strcasecmp(dot, ".lnk") != 0)
        return false;
    return pf::resolveShellLink(name, droppedNameCapacity);
}

DropTarget::DropTarget(Frame* frame_) : referenceCount(0), acceptable(false), frame(frame_) {}

DropTarget::~DropTarget() = default;

int32_t DropTarget::QueryInterface(const pf::Guid& iid, void** out) {
    if (!out)
        return int32_t(0x80004003u); // null pointer
    if (iid == pf::interfaceDropTarget || iid == pf::interfaceUnknown) {
        *out = static_cast<pf::DropTargetInterface*>(this);
        AddRef();
        return pf::resultOk;
    }
    *out = nullptr;
    return pf::resultNoInterface;
}

uint32_t DropTarget::AddRef() {
    return uint32_t(++referenceCount);
}

uint32_t DropTarget::Release() {
    if (--referenceCount <= 0) {
        delete this;
        return 0;
    }
    return uint32_t(referenceCount);
}

int32_t DropTarget::DragEnter(pf::DataObject data, uint32_t keyState, pf::PointL point,
                              uint32_t* effect) {
    acceptable = false;
    if (data) {
        if (pf::queryDataFormat(data, textFormat()) == pf::resultOk ||
            pf::queryDataFormat(data, fileListFormat()) == pf::resultOk) {
            acceptable = true;
            return DragOver(keyState, point, effect);
        }
    }
    if (effect)
        *effect = pf::dropEffectNone;
    return pf::resultOk;
}

int32_t DropTarget::DragOver(uint32_t keyState, pf::PointL, uint32_t* effect) {
    if (!effect)
        return pf::resultOk;
    if (!acceptable)
        *effect = pf::dropEffectNone;
    else
        *effect = (keyState & pf::keyStateControl) ? pf::dropEffectCopy : pf::dropEffectMove;
    return pf::resultOk;
}

int32_t DropTarget::DragLeave() {
    return pf::resultOk;
}

namespace {

void deliverText(Frame* frame, pf::MemoryHandle memory, GuiPoint& where) {
    void* text = pf::lockMemory(memory);
    size_t size = pf::memorySize(memory);
    if (text && size)
        frame->handleDrop(&text, int(size), dropKindText, where);
    pf::unlockMemory(memory);
}

void deliverFiles(Frame* frame, pf::MemoryHandle memory, GuiPoint& where) {
    uint32_t count = pf::droppedFileName(memory, 0xFFFFFFFFu, nullptr, 0);
    if (count == 0)
        return;
    char** names = new (std::nothrow) char*[count];
    if (!names)
        return;
    int delivered = 0;
    char buffer[droppedNameCapacity];
    for (uint32_t index = 0; index < count; ++index) {
        buffer[0] = 0;
        if (pf::droppedFileName(memory, index, buffer, droppedNameCapacity) == 0)
            continue; // a name that cannot be read is left out
        buffer[droppedNameCapacity - 1] = 0;
        resolveShortcut(buffer); // a shortcut that cannot be resolved keeps its own name
        char* copy = new (std::nothrow) char[droppedNameCapacity];
        if (!copy)
            continue;
        std::memcpy(copy, buffer, droppedNameCapacity);
        names[delivered++] = copy;
    }
    frame->handleDrop(reinterpret_cast<void**>(names), delivered, dropKindFiles, where);
    for (int i = 0; i < delivered; ++i)
        delete[] names[i];
    delete[] names;
}

} // namespace

int32_t DropTarget::Drop(pf::DataObject data, uint32_t, pf::PointL, uint32_t*) {
    if (frame && data) {
        pf::StorageMedium medium{};
        bool isText = pf::fetchData(data, textFormat(), medium) == pf::resultOk;
        bool isFiles = !isText && pf::fetchData(data, fileListFormat(), medium) == pf::resultOk;
        if ((isText || isFiles) && medium.memory) {
            GuiPoint where;
            frame->currentMousePosition(where);
            if (isText)
                deliverText(frame, medium.memory, where);
            else
                deliverFiles(frame, medium.memory, where);
        }
        if (isText || isFiles) {
            if (medium.releaseObject)
                pf::releaseInterface(medium.releaseObject);
            else if (medium.memory)
                pf::freeMemory(medium.memory);
        }
    }
    DragLeave();
    return pf::resultOk;
}

} // namespace kestrune
