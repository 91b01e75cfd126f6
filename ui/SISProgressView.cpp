#include "ui/SISProgressView.h"

#include <mmsystem.h>

#include "ui/AppMainWindow.h"
#include "ui/QvResourceIds.h"
#include "ui/ViewText.h"
#include "xui/XUIScrollBar.h"

namespace {

// Captions and bars span the width less 5 units at each side, the button sits in the lower
// right corner, and the log takes the height between them.
const XUIPlacement kPlacements[] = {
    {IDC_PROGRESS_OVERALL, XUINear(5), XUINear(5), XUIFar(5), XUINear(14)},
    {IDC_PROGRESS_OVERALL_BAR, XUINear(5), XUINear(16), XUIFar(5), XUINear(26)},
    {IDC_PROGRESS_STEP, XUINear(5), XUINear(32), XUIFar(5), XUINear(41)},
    {IDC_PROGRESS_STEP_BAR, XUINear(5), XUINear(43), XUIFar(5), XUINear(53)},
    {IDC_PROGRESS_DONE, XUINear(5), XUINear(59), XUIFar(5), XUINear(68)},
    {IDC_PROGRESS_LOG, XUINear(5), XUINear(72), XUIFar(15), XUIFar(35)},
    {IDC_PROGRESS_LOG_VSCROLL, XUIFar(15), XUINear(72), XUIFar(5), XUIFar(35)},
    {IDC_PROGRESS_CANCEL, XUIFar(90), XUIFar(30), XUIFar(5), XUIFar(5)},
};

}  // namespace

SISProgressView::SISProgressView(AppMainWindow& app, const XString& completionMessage)
    : XUIProgressWindow(IDD_PROGRESS), m_app(app), m_completionMessage(completionMessage) {
  for (const XUIPlacement& placement : kPlacements) Placements().Add(placement);
}

void SISProgressView::OnCreate() {
  MakeHeadings(Handle(), {IDC_PROGRESS_DONE});
  m_done = Bind<XUILabel>(IDC_PROGRESS_DONE);
  m_log = Bind<XUIGrid>(IDC_PROGRESS_LOG);
  m_log->SetScrollBar(Bind<XUIScrollBar>(IDC_PROGRESS_LOG_VSCROLL));
  m_log->SetFollowEnd(true);
  m_log->SetDataSource(&m_app.WindowLog());
  m_stepCaption = Bind<XUILabel>(IDC_PROGRESS_STEP);
  BindProgress(Bind<XUILabel>(IDC_PROGRESS_OVERALL), Bind<XUIProgressBar>(IDC_PROGRESS_OVERALL_BAR),
               m_stepCaption, Bind<XUIProgressBar>(IDC_PROGRESS_STEP_BAR), m_log);
  m_button = Bind<XUIButton>(IDC_PROGRESS_CANCEL);
  m_button->SetAction([this] { OnCancel(); });
}

void SISProgressView::OnCancel() {
  if (Running()) {
    // Only the request: the run sees it at its next repaint and unwinds from there.
    RequestStop();
    return;
  }
  m_app.ShowExtractView();
}

void SISProgressView::ShowFailure(const XString& error) {
  if (m_stepCaption != nullptr && !StopRequested()) m_stepCaption->SetText(XString("Extraction failed: ") + error);
}

void SISProgressView::OnProgressEnd(bool success) {
  bool cancelled = StopRequested();
  // A requested cancel shows the cancel message whatever else happened.
  XString text = cancelled ? StopMessage() : success ? m_completionMessage : XString("Extraction failed.");
  if (m_done != nullptr) m_done->SetText(text);
  // The end state in plain words: the step caption no longer names the last step, and the
  // button no longer offers to cancel what has ended.
  if (m_stepCaption != nullptr) m_stepCaption->SetText(success && !cancelled ? XString("Extraction complete.") : text);
  if (m_button != nullptr) m_button->SetText("Close");
  if (!cancelled) PlaySoundW(L"SystemAsterisk", nullptr, SND_ALIAS | SND_ASYNC | SND_NODEFAULT);
}
