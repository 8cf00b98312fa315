// The watcher window's design hook-up and its Load, MouseDown and DblClick handlers.
#include "window/fVellory.h"

#include "runtime/App.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"
#include "startup/Commands.h"
#include "window/FormDesign.h"

fVellory::fVellory()
    : runtime::Form(design::WatcherWindow()),
      tmr(*this, design::TimerInterval, [this] { tmr_Timer(); }),
      lblTestColor(*this, design::LabelLeft, design::LabelTop, design::LabelWidth,
                   design::LabelHeight, design::LabelBackColor) {}

fVellory::~fVellory() = default;

namespace {
std::unique_ptr<fVellory>& InstanceSlot() {
    static std::unique_ptr<fVellory> instance;
    return instance;
}
}  // namespace

fVellory& fVellory::Instance() {
    auto& instance = InstanceSlot();
    if (!instance) instance = std::make_unique<fVellory>();
    return *instance;
}

void fVellory::DropInstance() {
    InstanceSlot().reset();
}

void fVellory::Form_Load() {
    runtime::ResumeNext statement;
    statement([&] {  // the shaping step
        if (!Trimmer) Trimmer = std::make_unique<cTrimmer>();
        Trimmer->TrimForm(*this);
    });
    statement([&] {  // the topmost step
        winapi::SetWindowPos(winapi::AsHWND(hWnd()), winapi::HWND_TOPMOST, 0, 0, 0, 0,
                             winapi::SWP_NOSIZE | winapi::SWP_NOMOVE | winapi::SWP_NOACTIVATE);
    });
}

void fVellory::Form_MouseDown(std::int16_t Button, std::int16_t /*Shift*/, float /*X*/,
                              float /*Y*/) {
    if (Button != 1) return;
    if (!Trimmer) Trimmer = std::make_unique<cTrimmer>();
    Trimmer->GrabForm(*this);
}

void fVellory::Form_DblClick() {
    runtime::ResumeNext statement;
    statement([&] {
        Commands::WriteIni(Commands::AppTitle, "Top", runtime::CStr(Top()), Commands::IniFile);
    });
    statement([&] {
        Commands::WriteIni(Commands::AppTitle, "Left", runtime::CStr(Left()), Commands::IniFile);
    });
    runtime::End();
}
