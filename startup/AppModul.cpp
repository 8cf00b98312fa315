// Main: the start-up sequence. Resume-next mode: a step that fails is skipped.
#include "startup/AppModul.h"

#include <string>

#include "runtime/App.h"
#include "runtime/Arith.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"
#include "startup/Commands.h"
#include "window/fVellory.h"

namespace AppModul {

void Main() {
    using runtime::App;
    runtime::ResumeNext step;
    step([] {
        if (App.PrevInstance()) runtime::End();
    });
    step([] { Commands::InitPaths(); });
    step([] { Commands::InitAppInfo(); });
    std::string topText, leftText;
    step([&] { topText = Commands::ReadIni(Commands::AppTitle, "Top", Commands::IniFile, ""); });
    step([&] { leftText = Commands::ReadIni(Commands::AppTitle, "Left", Commands::IniFile, ""); });
    fVellory* form = nullptr;
    step([&] { form = &fVellory::Instance(); });
    if (form == nullptr) return;

    if (topText.empty() && leftText.empty()) {
        // The top edge of the screen, centred: each width to the nearest whole twip
        // (halves to even), each halved as an integer before the subtraction.
        step([&] { form->SetTop(0); });
        step([&] {
            const std::int32_t screenHalf = runtime::CLng(runtime::Screen.Width()) / 2;
            const std::int32_t windowHalf = runtime::CLng(form->Width()) / 2;
            form->SetLeft(static_cast<float>(runtime::SubLong(screenHalf, windowHalf)));
        });
    } else {
        step([&] { form->SetTop(runtime::CSng(runtime::Val(topText))); });
        step([&] { form->SetLeft(runtime::CSng(runtime::Val(leftText))); });
    }
    step([&] { form->Show(); });
}

}  // namespace AppModul
