// The form runtime's arithmetic, error model and form object, through the null backend.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "platform/null/NullBackend.h"
#include "runtime/Arith.h"
#include "runtime/Errors.h"
#include "runtime/Form.h"
#include "runtime/Start.h"
#include "tests/unit/TestPictures.h"

namespace {

using runtime::ErrorNumber;

template <class F>
ErrorNumber ErrorOf(F&& f) {
    try {
        f();
    } catch (const runtime::RuntimeError& error) {
        return error.Number();
    }
    return ErrorNumber{};
}

TEST(ArithTest, ConversionsRoundHalvesToEvenAndOverflowLoudly) {
    EXPECT_EQ(runtime::CLng(2.5), 2);
    EXPECT_EQ(runtime::CLng(3.5), 4);
    EXPECT_EQ(runtime::CLng(-2.5), -2);
    EXPECT_EQ(runtime::CLng(6.5), 6);
    EXPECT_EQ(runtime::CLng(7.5), 8);
    EXPECT_EQ(runtime::CLng(-0.4), 0);
    EXPECT_EQ(runtime::CLng(2147483647.4), INT_MAX);
    EXPECT_EQ(runtime::CLng(-2147483648.4), INT_MIN);
    for (double bad : {2147483647.5, -2147483648.6, 1e300, double(NAN), double(INFINITY)})
        EXPECT_EQ(ErrorOf([&] { runtime::CLng(bad); }), ErrorNumber::Overflow) << bad;
    EXPECT_EQ(runtime::CSng(3.4e38), 3.4e38f);
    for (double bad : {1e39, -1e39, double(INFINITY), double(NAN)})
        EXPECT_EQ(ErrorOf([&] { runtime::CSng(bad); }), ErrorNumber::Overflow) << bad;
    EXPECT_EQ(runtime::AddLong(INT_MAX - 1, 1), INT_MAX);
    EXPECT_EQ(ErrorOf([] { runtime::AddLong(INT_MAX, 1); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { runtime::SubLong(INT_MIN, 1); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { runtime::CheckedDouble(1e308 * 10); }), ErrorNumber::Overflow);
}

TEST(ResumeNextTest, AFailingStatementIsAbandonedAndTheNextRuns) {
    std::string trace;
    runtime::ResumeNext statement;
    statement([&] { trace += "a"; });
    statement([&] {
        trace += "b";
        runtime::AddLong(INT_MAX, 1);
        trace += "never";
    });
    statement([&] { trace += "c"; });
    EXPECT_EQ(trace, "abc");
    EXPECT_EQ(statement.Skipped(), 1);
    EXPECT_EQ(statement.LastError(), ErrorNumber::Overflow);
    // The C++ library's failures are errors of the statement like any other.
    statement([&] { throw std::bad_alloc(); });
    EXPECT_EQ(statement.LastError(), ErrorNumber::OutOfMemory);
    statement([&] { static_cast<void>(trace.at(99)); });
    statement([&] { trace += "d"; });
    EXPECT_EQ(trace, "abcd");
    EXPECT_EQ(statement.Skipped(), 3);
}

// A form whose MouseDown handler fails in the way its button names.
class FailingForm : public runtime::Form {
  public:
    using runtime::Form::Form;
    static inline FailingForm* instance = nullptr;
    std::string handled;

  protected:
    void Form_MouseDown(std::int16_t button, std::int16_t, float, float) override {
        handled += std::to_string(button);
        if (button == 1) throw std::bad_alloc();
        if (button == 2) static_cast<void>(handled.at(99));  // std::out_of_range
        if (button == 4) runtime::AddLong(INT_MAX, 1);
        handled += "!";  // no failure: the handler runs to its end
    }
    void Form_DblClick() override { handled += "D"; }
};

TEST(EventLoopTest, AFailingHandlerIsAbandonedAndTheProgramGoesOn) {
    nullbackend::Reset();
    using native::EventKind;
    for (std::int16_t button : {1, 2, 4, 8})
        nullbackend::Get().pendingEvents.push_back({EventKind::MouseDown, button});
    nullbackend::Get().pendingEvents.push_back({EventKind::DblClick});
    const int status = runtime::Run([] {
        static FailingForm form(runtime::FormDesign{});
        FailingForm::instance = &form;
        form.Show();
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(FailingForm::instance->handled, "1248!D");
    EXPECT_TRUE(nullbackend::Get().closed);
}

class ProbeForm : public runtime::Form {
  public:
    using runtime::Form::Form;
    int loads = 0;
    native::Rect windowAtLoad;  // as the null backend had it when Load ran

  protected:
    void Form_Load() override {
        ++loads;
        windowAtLoad = nullbackend::Get().windowRect;
        SetFillColor(0x123456);  // a property use inside Load does not load twice
    }
};

class FormTest : public ::testing::Test {
  protected:
    void SetUp() override { nullbackend::Reset(); }
    static runtime::FormDesign Design(const std::vector<std::uint8_t>& picture) {
        runtime::FormDesign design;
        design.clientLeft = 1395;
        design.clientTop = 2220;
        design.clientWidth = 4 * 15;
        design.clientHeight = 3 * 15;
        design.picture = picture;
        design.backColor = 0xABCDEF;
        return design;
    }
    // 2 x 2 pixels, each a different colour.
    const std::vector<std::uint8_t> picture =
        MakeBmp(2, 2, [](int x, int y) { return 0x010203u * (1 + x + 2 * y); });
};

TEST_F(FormTest, TheFirstPropertyUseLoadsTheWindowBeforeItTakesEffect) {
    ProbeForm form(Design(picture));
    EXPECT_EQ(nullbackend::Get().window, 0u);  // taking the object creates no window
    form.SetTop(300);
    // Load ran once, with the window created at its design place and not yet moved.
    EXPECT_EQ(form.loads, 1);
    EXPECT_EQ(form.windowAtLoad, (native::Rect{93, 148, 97, 151}));
    EXPECT_EQ(form.Top(), 300);
    EXPECT_EQ(form.Left(), 1395);
    EXPECT_EQ(form.Width(), 60);
    EXPECT_EQ(form.FillColor(), 0x123456u);
}

TEST_F(FormTest, PointReadsThePictureOverTheBackColour) {
    runtime::Form form(Design(picture));
    form.SetScaleMode(runtime::ScalePixels);
    EXPECT_EQ(form.ScaleWidth(), 4);
    EXPECT_EQ(form.Point(1, 1), 0x010203u * 4);
    EXPECT_EQ(form.Point(3, 2), 0xABCDEFu);  // beyond the picture: the back colour
    EXPECT_EQ(form.Point(4, 0), 0xFFFFFFFFu);
    EXPECT_EQ(form.Point(-1, 0), 0xFFFFFFFFu);
    form.SetAutoRedraw(true);
    EXPECT_EQ(form.Point(1, 1), 0x010203u * 4);
    // Drawing with a persistent image lands in it.
    form.SetFillColor(0x8080);
    form.Circle(2, 1.5, 1, 0x8080);
    EXPECT_EQ(form.Point(1, 1), 0x8080u);
    form.SetScaleMode(runtime::ScaleTwips);
    EXPECT_EQ(form.ScaleHeight(), 45);
    EXPECT_EQ(form.Point(15, 15), 0x8080u);
    EXPECT_EQ(ErrorOf([&] { form.SetScaleMode(7); }), ErrorNumber::InvalidProcedureCall);
}

TEST_F(FormTest, APlaceTheWindowCannotTakeIsAnErrorAndChangesNothing) {
    runtime::Form form(Design({}));
    form.SetLeft(150);
    EXPECT_EQ(ErrorOf([&] { form.SetTop(NAN); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([&] { form.SetTop(1e38f); }), ErrorNumber::Overflow);
    nullbackend::Get().refuseMoves = true;
    EXPECT_EQ(ErrorOf([&] { form.SetLeft(-600000); }), ErrorNumber::InvalidProcedureCall);
    EXPECT_EQ(form.Top(), 2220);
    EXPECT_EQ(form.Left(), 150);
    EXPECT_FALSE(form.Picture());
}

}  // namespace
