// "Melody Table" in a real FLTK window: a direction thumb dragged to the top,
// a probability bar's arrow and track clicked, a box ticked, then read back
// into <out>/melody_table_xvfb.png and left through OK, checking what the
// style holds.
#include <string>

#include "app/styleedit/melody_table_dialog.h"
#include "core/settings.h"
#include "style/style_table.h"
#include "tests/app/window_shots.h"

using namespace platform::ui;
using namespace window_shots;

namespace {

// The middle of a vertical bar's thumb, laid out as the scroll bar lays it
// out: square arrows at both ends, a thumb of half the width plus one.
Point ThumbMiddle(const Control& bar) {
    const Rect& b = bar.Bounds();
    const int track = b.Height() - 2 * b.Width();
    const int thumb = b.Width() / 2 + 1;
    const double fraction =
        double(bar.Value() - bar.RangeLow()) / double(bar.RangeHigh() - bar.RangeLow());
    const int top = b.top + b.Width() + static_cast<int>(fraction * (track - thumb) + .5);
    return Point{(b.left + b.right) / 2, top + thumb / 2};
}

void Settle() {
    for (int i = 0; i < 5; ++i)
        PumpOnce(20);
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    if (const int status = window_shots::Start(argc, argv, "melody_table_xvfb", folder))
        return status;
    InitDefaultSettings();
    LoadSkinBitmaps();
    InitMusicStyle(WorkingStyle);
    WorkingStyle.melodyTableDirection[2] = 10;
    WorkingStyle.melodyTableInterval[1] = 30;
    WorkingStyle.melodyTableInterval[5] = 60;
    WorkingStyle.mtNoCnt = 0;
    WorkingStyle.melodyTableStrictness = 2;
    ZaMelodyTable table;
    table.OnInitDialog();
    Window& w = table.GetWindow();
    w.Show();
    Check(PumpWhile([&] { return !FltkWindowDrawn(w); }, std::chrono::seconds(20)), "shown");

    const Control& direction = *w.FindControl(kMelodyTableDirectionBar + 2);
    SimulateDrag(w, ThumbMiddle(direction), Point{ThumbMiddle(direction).x, 100});
    Settle();
    Check(table.DirectionAt(2) == -50 && direction.Value() == -50,
          "the dragged direction thumb holds -50, got " + std::to_string(table.DirectionAt(2)));
    const Control& arrowed = *w.FindControl(kMelodyTableProbabilityBar + 5);
    const Rect& a = arrowed.Bounds();
    SimulateClick(w, Point{(a.left + a.right) / 2, a.bottom - a.Width() / 2});
    Settle();
    Check(table.ProbabilityAt(5) == 60 && arrowed.Value() == 60,
          "the arrow left 60, the bar shows " + std::to_string(arrowed.Value()));
    const Control& paged = *w.FindControl(kMelodyTableProbabilityBar + 1);
    SimulateClick(w, Point{ThumbMiddle(paged).x, paged.Bounds().bottom - 30});
    Settle();
    Check(paged.Value() == 30, "the track click left 30, the bar shows " +
                                   std::to_string(paged.Value()));
    const Control& box = *w.FindControl(kMelodyTableFlagCheck + 2);
    SimulateClick(w, Point{box.Bounds().left + 8, (box.Bounds().top + box.Bounds().bottom) / 2});
    Settle();
    Check(table.Flags()[2] == 1 && box.Value() == 1, "\"Don't continue disonant\" ticked");

    const Image shot = ReadBack(w, folder + "/melody_table_xvfb.png");
    Check(shot.Extent() == (Size{644, 464}), "the client area is 644 x 464");
    Check(WorkingStyle.melodyTableDirection[2] == 10 && WorkingStyle.mtNoCnt == 0,
          "nothing stored before OK");
    SkinButton ok;
    SetOkSkinButton(ok, "OK", nullptr);
    SimulateClick(w, Point{(ok.x1 + ok.x2) / 2, (ok.y1 + ok.y2) / 2});
    Settle();
    Check(WorkingStyle.melodyTableDirection[2] == -50 && WorkingStyle.melodyTableInterval[5] == 60 &&
              WorkingStyle.melodyTableInterval[1] == 30 && WorkingStyle.mtNoCnt == 1 &&
              WorkingStyle.melodyTableStrictness == 2,
          "OK stored the dropped thumb, the tick and the look-back");
    w.Hide();
    InstallBackend(nullptr);
    return g_failures == 0 ? 0 : 1;
}
