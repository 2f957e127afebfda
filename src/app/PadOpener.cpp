#include "app/PadOpener.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "app/Unit1.h"
#include "choosers/Unit1a.h"
#include "choosers/Unit1b.h"
#include "choosers/Unit1c.h"
#include "db/UnitFBDB.h"

#include <QApplication>

void OpenReadablePad(const ReadablePad& pad) {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        return;
    }
    Forms& f = forms();
    switch (pad.kind) {
    case PadKind::Member:
        f.Form1a->OpenMemberPad(pad.number);
        break;
    case PadKind::OpenGroup:
    case PadKind::ClosedGroup: {
        // The group's row is read before any screen connects.
        if (!f.FormFBDB->IsConnected())
            Settings::ConnectCurrent(*f.FormFBDB);
        TGroupChooser* chooser =
            pad.kind == PadKind::OpenGroup ? static_cast<TGroupChooser*>(f.Form1b) : f.Form1c;
        chooser->OpenGroup(pad.number, TGroupChooser::Access::AsAllowed);
        break;
    }
    case PadKind::AllMembers:
        f.Form1->Button4Click();
        break;
    }
}
