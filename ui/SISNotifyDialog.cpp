#include "ui/SISNotifyDialog.h"

#include "ui/AppMainWindow.h"
#include "ui/QvResourceIds.h"
#include "xui/XUIButton.h"
#include "xui/XUIGrid.h"
#include "xui/XUIMessageBox.h"
#include "xui/XUIScrollBar.h"

namespace {

// OK in the lower right corner, 80 x 25 units, 5 units from the edges; the list fills the
// rest beside the picture.
const XUIPlacement kPlacements[] = {
    {IDC_NOTIFY_OK, XUIFar(85), XUIFar(30), XUIFar(5), XUIFar(5)},
    {IDC_NOTIFY_LIST, XUINear(32), XUINear(5), XUIFar(15), XUIFar(35)},
    {IDC_NOTIFY_SCROLL, XUIFar(15), XUINear(5), XUIFar(5), XUIFar(35)},
};

}  // namespace

SISNotifyDialog::SISNotifyDialog(AppMainWindow& app, const XString& title, bool offersDebugLogging)
    : XUIWindow(IDD_NOTIFY), m_app(app), m_title(title), m_offersDebugLogging(offersDebugLogging) {
  for (const XUIPlacement& placement : kPlacements) Placements().Add(placement);
}

void SISNotifyDialog::OnCreate() {
  SetText(m_title);
  XUIGrid* list = Bind<XUIGrid>(IDC_NOTIFY_LIST);
  list->SetScrollBar(Bind<XUIScrollBar>(IDC_NOTIFY_SCROLL));
  bool headed = !m_rows.FirstColumn().IsEmpty() || !m_rows.SecondColumn().IsEmpty();
  list->AddColumn(m_rows.FirstColumn(), headed ? 0 : 70);
  list->AddColumn(m_rows.SecondColumn(), headed ? 85 : 0);
  list->SetDataSource(&m_rows);
  Bind<XUIButton>(IDC_NOTIFY_OK)->SetAction([this] { EndModal(IDOK); });
}

void SISNotifyDialog::OnDoubleClick() {
  if (!m_offersDebugLogging) return;
  int answer = XUIMessageBox::Show("Press OK to start Debug logging, Cancel to return to Normal logging.",
                                   this, MB_OKCANCEL | MB_ICONINFORMATION);
  m_app.Preferences().SetLogLevel(answer == IDOK ? kLogDebug : kLogInfo);
}
