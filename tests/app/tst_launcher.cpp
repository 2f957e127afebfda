#include "app/Forms.h"
#include "app/Settings.h"
#include "app/ShowModal.h"
#include "app/Unit1.h"
#include "app/UnitSet.h"
#include "app/WindowPlacement.h"
#include "choosers/Unit1a.h"
#include "choosers/Unit1b.h"
#include "choosers/Unit1c.h"
#include "db/UnitFBDB.h"
#include "editor/UnitEditor.h"
#include "memo/Unit2.h"
#include "memo/Unit3.h"
#include "memo/Unit4.h"
#include "memo/Unit5.h"
#include "memo/Unit6.h"
#include "memo/Unit7.h"
#include "memo/Unit8.h"
#include "memo/UnitNo.h"
#include "memo/UnitSearch.h"
#include "platform/Platform.h"
#include "search/UnitGSearch.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

QString ui(const char* utf8) {
    return Codec::toQString(Codec::sj(utf8));
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Placed {
    QWidget* window;
    QRect outer; // left, top, width, height; sized windows only keep width and height
    bool sized;
};

} // namespace

class LauncherTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString layoutPath() const { return dir.filePath(QStringLiteral("qbook2.dat")); }
    QString dbPath() const { return dir.filePath(QStringLiteral("qbook2db.dat")); }

    std::vector<Placed> placements() const {
        Forms& f = forms();
        std::vector<Placed> out;
        int n = 0;
        auto add = [&](QWidget* window, bool sized) {
            ++n;
            out.push_back({window, QRect(20 + 31 * n, 15 + 17 * n, 300 + 11 * n, 200 + 7 * n), sized});
        };
        add(f.Form1, false);
        add(f.Form1a, false);
        add(f.Form1b, false);
        add(f.Form1c, false);
        for (QWidget* w :
             std::initializer_list<QWidget*>{f.Form2, f.Form3, f.Form4, f.Form5, f.Form6, f.Form7, f.Form8})
            add(w, true);
        add(f.FormSet, false);
        add(f.FormEditor, true);
        add(f.FormGSearch, true);
        return out;
    }

    // The program started again: every window made anew, the launcher shown.
    static TForm1* nextRun() {
        DestroyForms();
        Settings::SetStartValues();
        CreateForms();
        TForm1* launcher = forms().Form1;
        launcher->show();
        return QTest::qWaitForWindowExposed(launcher) ? launcher : nullptr;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        Platform::setScripted(true);
        // A screen that holds every window the tests place.
        Platform::setScreenAreas({QRect(0, 0, 1280, 1024)});
        Platform::setExecutablePath(Codec::fromQString(dir.filePath(QStringLiteral("qbook2"))));
        CreateForms();
    }

    void cleanupTestCase() {
        DestroyForms();
        Platform::setExecutablePath({});
        Platform::setScreenAreas({});
    }

    void windowsAreCreatedHiddenWithTheirClasses() {
        Forms& f = forms();
        const std::pair<QObject*, const char*> expected[] = {
            {f.Form1, "TForm1"},           {f.FormFBDB, "TFormFBDB"},     {f.FormSet, "TFormSet"},
            {f.Form7, "TForm7"},           {f.FormNo, "TFormNo"},         {f.FormGSearch, "TFormGSearch"},
            {f.FormSearch, "TFormSearch"}, {f.FormEditor, "TFormEditor"}, {f.Form1c, "TForm1c"},
            {f.Form6, "TForm6"},           {f.Form1a, "TForm1a"},         {f.Form8, "TForm8"},
            {f.Form3, "TForm3"},           {f.Form1b, "TForm1b"},         {f.Form5, "TForm5"},
            {f.Form4, "TForm4"},           {f.Form2, "TForm2"},
        };
        for (const auto& [object, className] : expected) {
            QVERIFY2(object, className);
            QCOMPARE(object->metaObject()->className(), className);
            if (auto* widget = qobject_cast<QWidget*>(object)) {
                QVERIFY2(widget->isWindow(), className);
                QVERIFY2(widget->isHidden(), className);
            }
        }
        QCOMPARE(f.Form1a->windowTitle(), ui("まいめも"));
        QCOMPARE(f.Form1b->windowTitle(), ui("オープングループ"));
        QCOMPARE(f.Form1c->windowTitle(), ui("クローズグループ"));
        QCOMPARE(f.FormSet->windowTitle(), ui("データベース設定"));
        QCOMPARE(f.FormGSearch->windowTitle(), ui("グローバル検索"));
        QCOMPARE(f.FormEditor->windowTitle(), ui("エディタ"));
        QCOMPARE(f.Form1a->size(), QSize(282, 218));
        QCOMPARE(f.Form1b->size(), QSize(351, 240));
        QCOMPARE(f.Form1c->size(), QSize(351, 240));
        QCOMPARE(f.FormSet->size(), QSize(354, 347));
        QVERIFY(f.FormEditor->RichEdit1);
    }

    void launcherLooksAsDesigned() {
        TForm1* form = forms().Form1;
        QCOMPARE(form->windowTitle(), ui("キューブック／各PC用ツール"));
        QCOMPARE(form->minimumSize(), QSize(352, 222));
        QCOMPARE(form->maximumSize(), QSize(352, 222));
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(form->pos(), QPoint(193, 109));
        QCOMPARE(form->palette().color(QPalette::Window), QColor(204, 233, 247));
        QCOMPARE(form->font().pixelSize(), 13);
        QVERIFY(!form->windowIcon().isNull());

        QCOMPARE(form->Label1->text(), ui("キューブック／各PC用ツール"));
        QCOMPARE(form->Label1->geometry(), QRect(0, 0, 352, 19));
        QCOMPARE(form->Label1->alignment(), Qt::AlignCenter);
        QCOMPARE(form->Label1->font().pixelSize(), 19);
        QCOMPARE(form->Label1->palette().color(QPalette::Window), QColor(166, 202, 240));

        const std::tuple<QPushButton*, QRect, const char*> buttons[] = {
            {form->Button1, QRect(24, 32, 145, 49), "まいめも(&1)"},
            {form->Button2, QRect(24, 96, 145, 49), "オープングループ(&2)"},
            {form->Button3, QRect(24, 160, 145, 49), "クローズグループ(&3)"},
            {form->Button4, QRect(184, 32, 145, 49), "全メンバーめも(&4)"},
            {form->Button5, QRect(184, 96, 145, 49), "設　定(&5)"},
            {form->Button6, QRect(184, 160, 145, 49), "終　了(&X)"},
        };
        for (const auto& [button, geometry, caption] : buttons) {
            QCOMPARE(button->text(), ui(caption));
            QCOMPARE(button->geometry(), geometry);
        }
    }

    void firstShowLoadsStartValuesFocusesButton1AndShapesTheWindow() {
        QVERIFY(!QFile::exists(layoutPath()));
        Settings::MemberNumber = 9;
        Settings::ServerName = "left over";
        TForm1* form = forms().Form1;
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(Settings::LayoutFilePath, Codec::fromQString(layoutPath()));
        QCOMPARE(Settings::MemberNumber, 0);
        QVERIFY(Settings::ServerName.empty());
        QCOMPARE(Settings::RefreshSeconds, 30);
        QCOMPARE(Settings::RowsPerPage, 100);
        QCOMPARE(form->pos(), QPoint(193, 109));
        QCOMPARE(QApplication::focusWidget(), form->Button1);

        const QRegion mask = form->mask();
        QCOMPARE(mask.boundingRect(), QRect(0, 0, 352, 222));
        QVERIFY(!mask.contains(QPoint(1, 1)));
        QVERIFY(!mask.contains(QPoint(350, 220)));
        QVERIFY(mask.contains(QPoint(25, 2)));
        QVERIFY(mask.contains(QPoint(176, 111)));
        for (QPushButton* button :
             {form->Button1, form->Button2, form->Button3, form->Button4, form->Button5, form->Button6}) {
            const QRegion oval = button->mask();
            QVERIFY(!oval.isEmpty());
            QVERIFY(!oval.contains(QPoint(3, 3)));
            QVERIFY(!oval.contains(QPoint(1, 24)));
            QVERIFY(oval.contains(QPoint(72, 24)));
            QVERIFY(oval.contains(QPoint(4, 24)));
        }
    }

    void tabVisitsTheButtonsInOrder() {
        TForm1* form = forms().Form1;
        form->Button1->setFocus();
        for (QPushButton* next :
             {form->Button2, form->Button3, form->Button4, form->Button5, form->Button6, form->Button1}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void enterPressesTheFocusedButton() {
        TForm1* form = forms().Form1;
        TForm1b* chooser = forms().Form1b;
        TFormSet* settings = forms().FormSet;
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        // Whether the window was shown, and closed by Enter on its focused
        // close button (else it is closed here, so that the test goes on).
        struct Seen {
            bool shown = false;
            bool closedByEnter = false;
        };
        const auto enterOnClose = [](QWidget* window, QPushButton* close) {
            auto seen = std::make_shared<Seen>();
            QTimer::singleShot(50, window, [=] {
                seen->shown = window->isVisible();
                close->setFocus();
                QTest::keyClick(close, Qt::Key_Return);
                seen->closedByEnter = window->isHidden();
                window->close();
            });
            return seen;
        };
        auto seen = enterOnClose(chooser, chooser->Button3);
        form->Button2->setFocus();
        QTest::keyClick(form->Button2, Qt::Key_Return);
        QVERIFY(seen->shown);
        QVERIFY(seen->closedByEnter);

        // Space presses the focused button as before.
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        seen = enterOnClose(settings, settings->Button3);
        form->Button5->setFocus();
        QTest::keyClick(form->Button5, Qt::Key_Space);
        QVERIFY(seen->shown);
        QVERIFY(seen->closedByEnter);
        Platform::takeMessages();
    }

    void aMessageBoxIsWideEnoughForItsTitle() {
        // The program's name, which the message boxes take as their title.
        const QString testName = QApplication::applicationName();
        QApplication::setApplicationName(ui("キューブック／各PC用ツール"));
        Platform::setScripted(false);
        QRect box;
        QTimer::singleShot(0, this, [&] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                box = dialog->geometry();
                dialog->accept();
            }
        });
        Platform::showMessage(nullptr, Codec::sj("短い"));
        Platform::setScripted(true);
        QFont bold = QApplication::font();
        bold.setBold(true);
        // Beside the title the frame has its icon and buttons.
        QVERIFY(box.width() >= QFontMetrics(bold).horizontalAdvance(QApplication::applicationName()) + 100);
        QApplication::setApplicationName(testName);
    }

    void showModalBlocksUntilTheWindowCloses() {
        QWidget window;
        bool wasModal = false;
        bool launcherBlocked = false;
        QTimer::singleShot(50, &window, [&] {
            wasModal = window.isVisible() && QApplication::activeModalWidget() == &window;
            launcherBlocked =
                forms().Form1->isVisible() && QApplication::activeModalWidget() != forms().Form1;
            window.close();
        });
        ShowModal(&window);
        QVERIFY(wasModal);
        QVERIFY(launcherBlocked);
        QVERIFY(window.isHidden());
        QCOMPARE(window.windowModality(), Qt::NonModal);
    }

    void buttonsOpenTheirWindowsModally_data() {
        QTest::addColumn<int>("button");
        QTest::newRow("chooser 1a") << 1;
        QTest::newRow("chooser 1b") << 2;
        QTest::newRow("chooser 1c") << 3;
        QTest::newRow("settings") << 5;
    }

    void buttonsOpenTheirWindowsModally() {
        QFETCH(int, button);
        TForm1* form = forms().Form1;
        Forms& f = forms();
        QWidget* target = button == 1   ? static_cast<QWidget*>(f.Form1a)
                          : button == 2 ? static_cast<QWidget*>(f.Form1b)
                          : button == 3 ? static_cast<QWidget*>(f.Form1c)
                                        : static_cast<QWidget*>(f.FormSet);
        bool sawModal = false;
        bool centred = true;
        QTimer::singleShot(50, target, [&] {
            // A window that refuses to open (no settings yet) has closed itself already.
            if (target->isVisible()) {
                sawModal = QApplication::activeModalWidget() == target;
                // Not yet placed by a layout file: over the launcher.
                centred =
                    (target->frameGeometry().center() - form->frameGeometry().center()).manhattanLength() <=
                    8;
                target->close();
            } else {
                sawModal = true;
            }
        });
        QPushButton* buttons[] = {form->Button1, form->Button2, form->Button3, form->Button4, form->Button5};
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QTest::mouseClick(buttons[button - 1], Qt::LeftButton, {}, QPoint(72, 24));
        QVERIFY(sawModal);
        QVERIFY(centred);
        QVERIFY(target->isHidden());
        Platform::takeMessages();
    }

    void altXWritesBothFilesAndEndsTheProgram() {
        const std::vector<Placed> places = placements();
        for (const Placed& p : places) {
            p.window->move(p.outer.topLeft());
            if (p.sized)
                p.window->resize(p.outer.size());
        }
        Settings::ServerName = "db-host";
        Settings::ServerFolder = "/var/lib/qbook2/";
        Settings::DatabaseLocation = "db-host:/var/lib/qbook2/";
        Settings::DatabaseUser = "SYSDBA";
        Settings::DatabasePassword = "quill\rstem";
        Settings::MemberNumber = 7;
        Settings::MemberName = Codec::sj("山田");
        Settings::MemberPassword = "\x0e\x0c";
        Settings::RefreshSeconds = 12;
        Settings::RowsPerPage = 40;

        TForm1* form = forms().Form1;
        QSignalSpy ended(form, &TForm1::ProgramEnded);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_X, Qt::AltModifier);
        // An accelerator presses the button visibly before it clicks.
        QTRY_COMPARE(ended.count(), 1);
        QVERIFY(form->isHidden());

        const QByteArray layout = fileBytes(layoutPath());
        const QByteArray db = fileBytes(dbPath());
        QCOMPARE(layout.count("\r\n"), 51);
        QCOMPARE(layout.count('\r'), 51);
        QCOMPARE(layout.count('\n'), 51);
        QCOMPARE(db.count("\r\n"), 5);
        QVERIFY(layout.startsWith("51\r\n32\r\n82\r\n49\r\n"));
        QCOMPARE(QFile::permissions(layoutPath()) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(QFile::permissions(dbPath()) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    }

    void secondStartRestoresEveryWindowAndTheSettings() {
        TForm1* form = nextRun();
        QVERIFY(form);
        for (const Placed& p : placements()) {
            const char* name = p.window->metaObject()->className();
            QVERIFY2(p.window->pos() == p.outer.topLeft(), name);
            if (p.sized)
                QVERIFY2(p.window->frameGeometry().size() == p.outer.size(), name);
        }
        QCOMPARE(Settings::DatabasePassword, std::string("quill\rstem"));
        QCOMPARE(Settings::MemberPassword, std::string("\x0e\x0c"));
        QCOMPARE(Settings::MemberName, Codec::sj("山田"));
        QCOMPARE(Settings::MemberNumber, 7);
        QCOMPARE(Settings::RefreshSeconds, 12);
        QCOMPARE(Settings::RowsPerPage, 40);
        QVERIFY(Settings::DatabaseConfigured());
        QVERIFY(Settings::MemberIdentified());

        // A sized window shown and closed again keeps the restored size.
        QWidget* editor = forms().FormEditor;
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        editor->close();
        form->close();
        QVERIFY(fileBytes(layoutPath()).startsWith("51\r\n32\r\n82\r\n49\r\n"));
        DestroyForms();
        Settings::SetStartValues();
        CreateForms();
        forms().Form1->show();
        QCOMPARE(forms().FormEditor->frameGeometry().size(), placements()[12].outer.size());
        forms().Form1->hide();
    }

    void windowsNeverPlacedOpenWhereAFirstRunOpensThem() {
        QTemporaryDir fresh;
        Platform::setExecutablePath(Codec::fromQString(fresh.filePath(QStringLiteral("qbook2"))));
        const auto nextActiveRun = [] {
            TForm1* launcher = nextRun();
            if (launcher)
                launcher->activateWindow();
            return launcher && QTest::qWaitForWindowActive(launcher) ? launcher : nullptr;
        };
        const auto centredOverLauncher = [](const QWidget* window) {
            return (window->frameGeometry().center() - forms().Form1->frameGeometry().center())
                       .manhattanLength() <= 8;
        };

        // A run that shows nothing but the launcher.
        QVERIFY(nextActiveRun());
        forms().Form1->close();

        // The next run: the user moves the launcher, then opens the settings
        // dialog (over the launcher) and leaves it elsewhere.
        TForm1* form = nextActiveRun();
        QVERIFY(form);
        form->move(400, 300);
        bool centred = false;
        QTimer::singleShot(50, forms().FormSet, [&] {
            centred = centredOverLauncher(forms().FormSet);
            forms().FormSet->move(600, 500);
            forms().FormSet->close();
        });
        form->Button5->click();
        QVERIFY(centred);
        form->close();

        // A third run: the dialog comes back where it was left; the chooser,
        // never shown, opens over the launcher.
        form = nextActiveRun();
        QVERIFY(form);
        QCOMPARE(form->pos(), QPoint(400, 300));
        QCOMPARE(forms().FormSet->pos(), QPoint(600, 500));
        // (Without settings the chooser may have closed itself already.)
        QTimer::singleShot(50, forms().Form1a, [] {
            if (forms().Form1a->isVisible())
                forms().Form1a->close();
        });
        form->Button1->click();
        QVERIFY(centredOverLauncher(forms().Form1a));
        Platform::takeMessages();
        form->hide();
        Platform::setExecutablePath(Codec::fromQString(dir.filePath(QStringLiteral("qbook2"))));
    }

    void aPadOpenedOverTheLauncherInTheCornerShowsItsTitleBar() {
        QTemporaryDir fresh;
        Platform::setExecutablePath(Codec::fromQString(fresh.filePath(QStringLiteral("qbook2"))));
        TForm1* form = nextRun();
        QVERIFY(form);
        form->move(0, 0);
        // The all-members pad is far wider than the launcher it opens over.
        QRect shown;
        QTimer::singleShot(50, forms().Form8, [&] {
            shown = forms().Form8->frameGeometry();
            forms().Form8->close();
        });
        form->Button4->click();
        QVERIFY(shown.isValid());
        QCOMPARE(shown.topLeft(), QPoint(0, 0));
        Platform::takeMessages();
        form->hide();
        Platform::setExecutablePath(Codec::fromQString(dir.filePath(QStringLiteral("qbook2"))));
    }

    void oddLayoutValuesKeepEveryWindowOnTheScreen() {
        const QRect area(40, 30, 1000, 700);
        Platform::setScreenAreas({area});
        // Far off the screen on every side, and sizes no screen has.
        QByteArray layout;
        int n = 0;
        for (const Placed& p : placements()) {
            const QByteArray far = ++n % 2 ? "-100000" : "100000";
            layout += far + "\r\n" + far + "\r\n";
            if (p.sized)
                layout += "2147483647\r\n2147483647\r\n";
        }
        layout += "7\r\nX\r\n\r\n30\r\n100\r\n";
        QFile file(layoutPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(layout);
        file.close();

        QVERIFY(nextRun());
        forms().Form2->show();
        QVERIFY(QTest::qWaitForWindowExposed(forms().Form2));
        for (const Placed& p : placements()) {
            const char* name = p.window->metaObject()->className();
            const QRect outer(WindowPlacement::outerPosition(p.window), WindowPlacement::outerSize(p.window));
            QVERIFY2(area.contains(outer), name);
        }
        QCOMPARE(forms().Form2->frameGeometry(), QRect(40, 30, 1000, 700));
        forms().Form2->hide();
        forms().Form1->hide();
        Platform::setScreenAreas({QRect(0, 0, 1280, 1024)});
    }

    void endingWithUnsavedEditorTextAsksTheEditorsQuestion() {
        TForm1* form = forms().Form1;
        form->show();
        QSignalSpy ended(form, &TForm1::ProgramEnded);
        TFormEditor* editor = forms().FormEditor;
        editor->show();
        editor->TakeLines([given = false](QString& line) mutable {
            line = QStringLiteral("handed over");
            return !std::exchange(given, true);
        });
        QTest::keyClicks(editor->RichEdit1, QStringLiteral("typed "));
        Platform::takeMessages();

        const std::vector<std::string> question{Codec::sj("この画面を閉じます。よろしいですか？")};
        Platform::setNextAnswer(Platform::Answer::No);
        QVERIFY(!form->close());
        QCOMPARE(Platform::takeMessages(), question);
        QVERIFY(form->isVisible() && editor->isVisible());
        QCOMPARE(ended.count(), 0);
        QCOMPARE(editor->RichEdit1->toPlainText(), QStringLiteral("typed handed over"));

        Platform::setNextAnswer(Platform::Answer::Yes);
        QVERIFY(form->close());
        QCOMPARE(Platform::takeMessages(), question);
        QCOMPARE(ended.count(), 1);

        // Text as it was handed over, or in a window closed already, is not asked for.
        for (const bool typed : {false, true}) {
            form->show();
            editor->TakeLines([](QString&) { return false; });
            if (typed) {
                QTest::keyClicks(editor->RichEdit1, QStringLiteral("typed"));
                Platform::setNextAnswer(Platform::Answer::Yes);
                QVERIFY(editor->close());
                Platform::takeMessages();
            }
            QVERIFY(form->close());
            QVERIFY(Platform::takeMessages().empty());
        }
        QCOMPARE(ended.count(), 3);
    }
};

QTEST_MAIN(LauncherTest)
#include "tst_launcher.moc"
