// The skin manager of one deliverable (the program and the player library each link their
// own): its thread-local CBT hook decides which windows are skinned as they are created or
// activated, it keeps one TSkinnedForm per skinned window and the registered skin
// components, and runs deferred actions (skin all, unskin all, refresh) from a timer.
#pragma once

#include "skin/engine/SkinData.h"

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/WinHandle.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace skin {

class TSkinnedForm;
class TSkinnedPopMenu;

class TSkinManage {
public:
    TSkinManage();
    ~TSkinManage();
    TSkinManage(const TSkinManage&) = delete;
    TSkinManage& operator=(const TSkinManage&) = delete;

    // Installs the CBT hook of the current thread once per deliverable.
    void InstallHook();
    void AddSkinData(TSkinData& data);
    // Unregisters data; a manager pointing at it (main, pending action) chooses again.
    void RemoveSkinData(TSkinData& data);

    // Skins window when every rule allows; true when a TSkinnedForm was made.
    bool SkinWindow(HWND window);
    TSkinnedForm* FindSkinForm(HWND window) const;
    // Takes the entry out of Forms without freeing it (the TSkinnedForm destructor).
    void RemoveForm(TSkinnedForm& form);

    // Frames a new popup-menu window ("#32768") when the menu's kind and SkinControls allow.
    void SkinPopupMenu(HWND window);
    // Restores and frees that window's popup-menu skin; false when it has none.
    bool RemovePopupMenu(HWND window);
    const std::vector<TSkinnedPopMenu*>& PopupMenus() const { return popupMenus_; }
    // The newest popup-menu window not yet given a menu now shows Menu; nothing when a
    // window already shows it (an item of an open menu drawn again).
    void AssignPopupMenu(HMENU Menu);
    // The background of the popup-menu window showing Menu, or null.
    const cl::TBitmap* FindPopupBitmap(HMENU Menu) const;

    // Action 1 skins all, 2 unskins all, 3 refreshes after a skin change.
    void RequestAction(int action, unsigned interval);
    void RunAction();
    // The windows skinned with ActionSkinData drop their caption buttons (their skin's
    // buttons are being replaced).
    void ResetCaptionButtons();
    // The windows skinned with data drop their caption buttons.
    void DropCaptionButtons(const TSkinData& data);
    // An MDI frame that goes or is unskinned: the MDI client and form turn to the newest
    // other skinned frame, or to none.
    void ForgetMDIFrame(const TSkinnedForm& frame);
    // Skinned MDI children switch between maximised mode (no region) and normal frames.
    void SetMDIMaximized(bool maximized);
    // Unhooks every skinned window and frees it; skinning goes off.
    void UnskinAll();
    // Frees the entries whose windows are gone.
    void Purge();

    // The component whose skin a window gets, or null.
    TSkinData* ChooseSkinData(HWND window) const;
    bool CanSkin(HWND window, const cl::AnsiString& className) const;

    bool Active = false;
    bool SkinAllPass = false;
    int Mode = 0; // 0 nothing activated yet, 1 running, +1 per form-only component, 4 being destroyed
    int MenuKind = 0;
    bool MenuFromBar = false;
    // True while the caption menu or the skinned system menu of a window is tracked.
    bool MenuTracking = false;
    bool MDIMaximized = false;
    // The newest skinned MDI frame's client and form; cleared when that frame goes.
    HWND MDIClientWindow = nullptr;
    cl::TCustomForm* MDIForm = nullptr;
    int PendingAction = 0;
    TSkinData* ActionSkinData = nullptr;
    TSkinData* MainSkinData = nullptr;

    const std::vector<TSkinData*>& SkinDatas() const { return skinDatas_; }
    const std::vector<TSkinnedForm*>& Forms() const { return forms_; }
    cl::TTimer& Timer() { return *timer_; }

private:
    static LRESULT CALLBACK CBTHookProc(int code, WPARAM wParam, LPARAM lParam);
    void Hooked(int code, WPARAM wParam, LPARAM lParam);
    void SkinScreenForm(cl::TCustomForm& form);
    void UnskinEntry(TSkinnedForm* form);
    bool IsMDIClientChild(HWND window) const;
    void FreeForms();

    cl::HookHandle hook_;
    std::unique_ptr<cl::TTimer> timer_;
    std::vector<TSkinnedForm*> forms_; // owned
    std::vector<TSkinnedPopMenu*> popupMenus_; // owned
    std::vector<TSkinnedPopMenu*> retiredMenus_; // owned: removed, freed at the next removal
    std::vector<TSkinData*> skinDatas_;
};

// The deliverable's manager, or null before the first skin component loads.
extern TSkinManage* SkinManager;
// Frees the deliverable's manager (program or library shut-down).
void FreeSkinManager();

// Platform facts the engine reads, behind one seam: GetVersion's value as the hook stored
// it (its top bit marks Windows 9x), and the major version.
DWORD SkinVersion();
bool SkinIsNT();

} // namespace skin
