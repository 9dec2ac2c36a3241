// A second module with its own copy of the skin engine, as the player library has: the
// two-engine tests load it and drive its manager through these exports.
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"

#include "classlib/Forms.h"
#include "classlib/TypInfo.h"

#include <windows.h>

#include <memory>

namespace {
std::unique_ptr<skin::TSkinData> data;
std::unique_ptr<cl::TForm> form;
} // namespace

// Loads the skin into this module's component and switches its manager on; 1 when loaded.
extern "C" __declspec(dllexport) int StartModuleSkin(const unsigned char* stream, int size)
{
    try {
        data = std::make_unique<skin::TSkinData>(nullptr);
        cl::SetPropValue(*data, "SkinStream", cl::TValue(cl::TBytes(stream, stream + size)));
        data->Loaded();
        skin::SkinManager->Active = true;
        return data->Empty ? 0 : 1;
    } catch (...) {
        return 0;
    }
}

// A form of this module, made but not shown.
extern "C" __declspec(dllexport) HWND ModuleForm()
{
    try {
        form = std::make_unique<cl::TForm>(nullptr);
        form->SetBounds(150, 150, 300, 200);
        return form->Handle();
    } catch (...) {
        return nullptr;
    }
}

// 1 when this module's manager skins window.
extern "C" __declspec(dllexport) int ModuleSkins(HWND window)
{
    return skin::SkinManager && skin::SkinManager->FindSkinForm(window) ? 1 : 0;
}

extern "C" __declspec(dllexport) void StopModuleSkin()
{
    try {
        form.reset();
        data.reset();
    } catch (...) {
    }
}
