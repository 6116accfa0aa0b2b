// The three selection dialogs of the arena commands: when their confirm buttons are available,
// how they close, and what the runners hand back.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "dialogs/ui/selection_dialogs.h"

using namespace vorlix;

namespace {

void Click_Row(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                    list->visualItemRect(list->item(row)).center());
}

// A real double-click: a click, then the second press arriving as a double-click.
void Double_Click_Row(QListWidget* list, int row) {
  Click_Row(list, row);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                     list->visualItemRect(list->item(row)).center());
}

}  // namespace

class Test_Selection_Dialogs : public QObject {
  Q_OBJECT

 private slots:
  // Both list dialogs: confirm only after a click since this show, despite an old highlight;
  // a double-click confirms (its first click marks the selection).
  void List_Dialogs_Wait_For_A_Click_Since_Each_Show() {
    TForm_Select_MOD mods;
    QVERIFY(mods.Button_Confirm->isDefault());
    TForm_Arena_File_Selection files;
    const std::pair<QDialog*, QListWidget*> dialogs[] = {{&mods, mods.ListBox_MODs},
                                                         {&files, files.ListBox_Arena_Files}};
    for (const auto& [dialog, list] : dialogs) {
      auto* confirm = dialog == &mods ? mods.Button_Confirm : files.Button_Confirm;
      list->addItems({"BASEQ3", "CPMA", "OSP"});
      list->setCurrentRow(1);  // still highlighted from an earlier use
      dialog->show();
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      QVERIFY(!confirm->isEnabled());
      QTest::keyClick(dialog, Qt::Key_Return);
      QVERIFY(dialog->isVisible());
      Double_Click_Row(list, 1);
      QVERIFY(!dialog->isVisible());
      QCOMPARE(dialog->result(), int(QDialog::Accepted));

      dialog->show();  // every show starts over
      dialog->hide();
      dialog->show();
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      QVERIFY(dialog != &mods || !mods.Selection_Made);
      QVERIFY(!confirm->isEnabled());
      Click_Row(list, 2);
      QVERIFY(confirm->isEnabled());
      QTest::keyClick(dialog, Qt::Key_Return);
      QVERIFY(!dialog->isVisible());
      QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }
  }

  void Escape_Cancels_Every_Dialog() {
    TForm_Select_MOD mods;
    TForm_Arena_File_Specify_Name name;
    TForm_Arena_File_Selection files;
    for (QDialog* dialog : std::initializer_list<QDialog*>{&mods, &name, &files}) {
      dialog->show();
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      QTest::keyClick(dialog, Qt::Key_Escape);
      QVERIFY(!dialog->isVisible());
      QCOMPARE(dialog->result(), int(QDialog::Rejected));
    }
  }

  void Runners_Fill_The_Dialogs_And_Return_Rows_In_List_Order() {
    TForm_Select_MOD mods;
    TForm_Arena_File_Selection files;
    TSelection_Request request{.Dialog = TSelection_Dialog::MOD,
                               .Description = "Select the modification to create a Arena File for.",
                               .Items = {"BASEQ3", "CPMA", "OSP"},
                               .Multi_Select = true};
    QTimer::singleShot(0, [&] {
      QCOMPARE(mods.Label_Desc->text(), QString::fromStdString(request.Description));
      Click_Row(mods.ListBox_MODs, 2);
      Click_Row(mods.ListBox_MODs, 0, Qt::ControlModifier);
      QTest::mouseClick(mods.Button_Confirm, Qt::LeftButton);
    });
    const auto chosen = Run_Selection(mods, files, request);
    QVERIFY(chosen.has_value());
    QCOMPARE(*chosen, (std::vector<int>{0, 2}));

    request = {.Dialog = TSelection_Dialog::Arena_File,
               .Description = "Select an Arena File to activate.",
               .Confirm_Caption = "Activate",
               .Items = {"Duel", "CTF"}};
    QTimer::singleShot(0, [&] {
      QCOMPARE(files.Button_Confirm->text(), QString("Activate"));
      QCOMPARE(files.ListBox_Arena_Files->count(), 2);
      Click_Row(files.ListBox_Arena_Files, 0);
      Click_Row(files.ListBox_Arena_Files, 1, Qt::ControlModifier);  // one item only
      QTest::keyClick(&files, Qt::Key_Return);
    });
    QCOMPARE(Run_Selection(mods, files, request),
             std::optional<std::vector<int>>(std::vector<int>{1}));

    QTimer::singleShot(0, [&] { QTest::keyClick(&files, Qt::Key_Escape); });
    QVERIFY(!Run_Selection(mods, files, request).has_value());

    // The only MOD to act in is taken without showing the dialog (a dialog shown is cancelled).
    request = {.Dialog = TSelection_Dialog::MOD,
               .Description = "Select the modification to activate an Arena File from.",
               .Items = {"CPMA"},
               .Take_Only_Item = true};
    QTimer::singleShot(0, &mods, [&] { mods.reject(); });
    QCOMPARE(Run_Selection(mods, files, request),
             std::optional<std::vector<int>>(std::vector<int>{0}));
    request.Items.emplace_back("OSP");
    QTimer::singleShot(0, &mods, [&] { mods.reject(); });
    QVERIFY(!Run_Selection(mods, files, request).has_value());
  }

  void Name_Runner_Keeps_The_Last_Name_Unless_Given_One_And_Waits_For_An_Edit() {
    TForm_Arena_File_Specify_Name dialog;
    QTimer::singleShot(0, [&] {
      QCOMPARE(dialog.Label_Directory_Name->text(), QString("BASEQ3"));
      QCOMPARE(dialog.Edit_Name->text(), QString());
      QTest::keyClicks(dialog.Edit_Name, "Duel");
      QTest::keyClick(dialog.Edit_Name, Qt::Key_Return);
    });
    QCOMPARE(Run_Specify_Arena_Name(dialog, "BASEQ3", std::string()),
             std::optional<std::string>("Duel"));

    QTimer::singleShot(0, [&] {
      QCOMPARE(dialog.Label_Directory_Name->text(), QString("CPMA"));
      QCOMPARE(dialog.Edit_Name->text(), QString("Duel"));
      QVERIFY(!dialog.Button_OK->isEnabled());
      QTest::keyClick(dialog.Edit_Name, Qt::Key_Return);  // nothing: OK waits for an edit
      QVERIFY(dialog.isVisible());
      QTest::keyClick(dialog.Edit_Name, Qt::Key_End);
      QTest::keyClick(dialog.Edit_Name, Qt::Key_Backspace);
      QVERIFY(dialog.Button_OK->isEnabled());
      dialog.Edit_Name->clear();  // an empty name is no name
      QVERIFY(!dialog.Button_OK->isEnabled());
      QTest::keyClick(dialog.Edit_Name, Qt::Key_Return);
      QVERIFY(dialog.isVisible());
      QTest::keyClicks(dialog.Edit_Name, "Due");
      QTest::mouseClick(dialog.Button_OK, Qt::LeftButton);
    });
    QCOMPARE(Run_Specify_Arena_Name(dialog, "CPMA", std::nullopt),
             std::optional<std::string>("Due"));

    QTimer::singleShot(0, [&] { QTest::mouseClick(dialog.Button_Cancel, Qt::LeftButton); });
    QVERIFY(!Run_Specify_Arena_Name(dialog, "OSP", std::nullopt).has_value());
  }
};

QTEST_MAIN(Test_Selection_Dialogs)
#include "tst_selection_dialogs.moc"
