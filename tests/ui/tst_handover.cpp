// The hand-over to the editor from each window that makes one: when the editor cannot open, each caller tells
// the user by its own rule, but nothing handed over stays behind and the window the user came from stays open
// with what it showed; once the editor can open, the same step opens it for the right task.
#include "support/Windows.h"

#include "app/SqlText.h"
#include "db/DaoError.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "ui/find/FormFind.h"
#include "ui/find/ResultList.h"
#include "ui/find/ResultModel.h"
#include "ui/write/FormWrite.h"
#include "update/Updater.h"

#include <QTest>

using platform::forms;
using platform::MessageBox;
using testsupport::windowsOnShow;

namespace {
const QString kUser = QStringLiteral("张三");

enum class Caller { NewButton, ChangeButton, ImportButton, SearchDoubleClick };
} // namespace

Q_DECLARE_METATYPE(Caller)
Q_DECLARE_METATYPE(Form_Write::Mode)

class TestHandOver : public QObject, testsupport::WindowFixture {
    Q_OBJECT

    qint64 m_entry = 0;

    // The window the hand-over starts from, ready for it: an entry selected, or found and selected.
    platform::Form* openCaller(Caller caller) {
        Form_View* view = forms().show<Form_View>();
        view->TreeView_Diary->selectNode(2);
        if (caller != Caller::SearchDoubleClick)
            return view;
        view->Command_Find->click();
        Form_Find* find = forms().loaded<Form_Find>();
        find->Command_Find->click();
        find->ListView_Result->setCurrentIndex(find->results()->index(0, 0));
        return find;
    }
    void handOver(Caller caller, platform::Form* from) {
        auto* view = qobject_cast<Form_View*>(from);
        switch (caller) {
        case Caller::NewButton:
            return view->Command_Insert->click();
        case Caller::ChangeButton:
            return view->Command_Updata->click();
        case Caller::ImportButton:
            platform::FileDialog::setNextFileName(testsupport::writeFile(m_diary->filePath("in.txt"), "导入"));
            return view->Command_Input->click();
        case Caller::SearchDoubleClick:
            return qobject_cast<Form_Find*>(from)->ListView_Result_DblClick();
        }
    }
    // What the caller shows: the main window's pane and tree, or the search window's rows.
    static QStringList shownBy(platform::Form* from) {
        if (auto* view = qobject_cast<Form_View*>(from))
            return testsupport::paneTexts(view) + testsupport::nodeTexts(view);
        auto* find = qobject_cast<Form_Find*>(from);
        return {QString::number(find->results()->rowCount()), find->results()->text(0, 1)};
    }

private slots:
    void initTestCase() {
        startWindowTests();
        update::setUpdateCallObserverForTests(testsupport::ignoreUpdateCall);
    }
    void init() {
        startWithDiary(kUser);
        m_entry = m_diary->addEntry(kUser, QStringLiteral("一"), QStringLiteral("2009-09-08"));
    }
    void cleanup() { dropDiary(); }

    void editorThatCannotOpenLeavesTheCallerAsItWas_data() {
        QTest::addColumn<Caller>("caller");
        QTest::addColumn<QStringList>("shown"); // when the editor cannot open
        QTest::addColumn<Form_Write::Mode>("mode");
        QTest::newRow("new entry") << Caller::NewButton << QStringList{"运行时错误 '3051'：\n\n不能打开文件。"}
                                   << Form_Write::Mode::New;
        QTest::newRow("change") << Caller::ChangeButton << QStringList{"请选中一篇日记"} << Form_Write::Mode::Change;
        QTest::newRow("import, silent") << Caller::ImportButton << QStringList() << Form_Write::Mode::Import;
        QTest::newRow("search result, silent")
            << Caller::SearchDoubleClick << QStringList() << Form_Write::Mode::Change;
    }
    void editorThatCannotOpenLeavesTheCallerAsItWas() {
        QFETCH(Caller, caller);
        QFETCH(Form_Write::Mode, mode);
        platform::Form* from = openCaller(caller);
        const QStringList windows = windowsOnShow(), shown = shownBy(from);
        // The editor's banner cannot be made, so the editor cannot load.
        platform::Browser::setFactory([](QWidget* parent) -> platform::Browser* {
            if (parent && parent->objectName() == QLatin1String("Form_Write"))
                throw dao::DaoError(3051, QStringLiteral("不能打开文件。"));
            return nullptr;
        });
        handOver(caller, from);
        QTEST(MessageBox::shownTexts(), "shown");
        QCOMPARE(windowsOnShow(), windows);
        QCOMPARE(shownBy(from), shown);
        QVERIFY(EditCondition.isEmpty() && ImportFilePath.isEmpty());

        platform::Browser::setFactory(nullptr);
        handOver(caller, from);
        QCOMPARE(windowsOnShow(), QStringList{"Form_Write"});
        QCOMPARE(forms().loaded<Form_Write>()->mode(), mode);
        QCOMPARE(EditCondition, mode == Form_Write::Mode::Change ? sql::entryKey(m_entry) : QString());
    }
};

QTEST_MAIN(TestHandOver)
#include "tst_handover.moc"
