// The "Engines" dialog, offscreen: the kept engines with their state and MODs, the profile form's
// refusals, and every change stored at once.

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "launch/engine_profiles.h"
#include "launch/ui/engines_dialog.h"

using namespace vorlix;

class Tst_Engines_Dialog : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir Config;
  std::string Program;

  static QString Cell(const TForm_Engines& dialog, int row, int column) {
    const QTableWidgetItem* item = dialog.Table()->item(row, column);
    return item != nullptr ? item->text() : QString();
  }

 private slots:
  void initTestCase() {
    qputenv("XDG_CONFIG_HOME", Config.path().toLocal8Bit());
    Program = Config.filePath(QStringLiteral("q3e")).toStdString();
    QFile script(QString::fromStdString(Program));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  }

  void listsTheEnginesWithTheirStateAndDefaults() {
    TEngine_Profiles profiles;
    QVERIFY(profiles.Add({"q3e", Program, TEngine_Kind::Quake3e, "+set com_hunkMegs 256"}));
    QVERIFY(profiles.Add({"gone", "/nonexistent/ioq3", TEngine_Kind::IOQuake3, ""}));
    QVERIFY(profiles.Set_Default("", "q3e"));
    QVERIFY(profiles.Set_Default("cpma", "q3e"));
    QVERIFY(Save_Engine_Profiles(profiles));
    TForm_Engines dialog;
    dialog.Load("/srv/q3", {"baseq3", "cpma"});
    QCOMPARE(dialog.Table()->rowCount(), 2);
    QCOMPARE(Cell(dialog, 0, 1), QStringLiteral("Quake3e family"));
    QCOMPARE(Cell(dialog, 0, 3), QStringLiteral("+set com_hunkMegs 256"));
    QCOMPARE(Cell(dialog, 0, 4), QStringLiteral("every MOD without its own, cpma"));
    QCOMPARE(Cell(dialog, 0, 5), QStringLiteral("available"));
    QCOMPARE(Cell(dialog, 1, 5), QStringLiteral("unavailable"));
    QVERIFY(dialog.Table()->item(1, 5)->toolTip().contains(QStringLiteral("/nonexistent/ioq3")));

    // Removing stores at once, and the MODs' defaults go with it.
    dialog.Table()->setCurrentCell(0, 0);
    dialog.Remove_Click();
    const TEngine_Profiles stored = Load_Engine_Profiles();
    QCOMPARE(stored.Profiles.size(), std::size_t{1});
    QCOMPARE(stored.Profiles[0].Name, std::string("gone"));
    QVERIFY(stored.MOD_Defaults.empty());
    QCOMPARE(dialog.Table()->rowCount(), 1);
    QVERIFY(dialog.Label_Status()->text().contains(QStringLiteral("q3e was removed")));
    QVERIFY(Save_Engine_Profiles({}));
  }

  void theFormStaysWithTheReasonUntilTheProfileIsTaken() {
    TEngine_Profiles profiles;
    TForm_Engine_Profile form(
        nullptr, {}, [&profiles](const TEngine_Profile& profile) { return profiles.Add(profile); });
    form.Edit_Name()->setText(QStringLiteral("my engine"));
    form.Edit_Program()->setText(QString::fromStdString(Program));
    form.Kind_Box()->setCurrentIndex(2);
    form.Edit_Arguments()->setText(QStringLiteral("+set com_hunkMegs 256"));
    QVERIFY(!form.Try_Accept());
    QVERIFY(form.Label_Refusal()->isVisibleTo(&form));
    QVERIFY(form.Label_Refusal()->text().contains(QStringLiteral("\"my engine\"")));
    form.Edit_Name()->setText(QStringLiteral("q3e"));
    form.Edit_Arguments()->setText(QStringLiteral("+set a;quit"));
    QVERIFY(!form.Try_Accept());
    QVERIFY(form.Label_Refusal()->text().contains(QStringLiteral("\"a;quit\"")));
    form.Edit_Arguments()->setText(QStringLiteral("+set com_hunkMegs 256"));
    QVERIFY(form.Try_Accept());
    QCOMPARE(profiles.Profiles.size(), std::size_t{1});
    QCOMPARE(profiles.Profiles[0].Kind, TEngine_Kind::Quake3e);
    QCOMPARE(profiles.Profiles[0].Program, Program);
  }

  // Add and Edit run the form; what it takes is stored, a rename keeping the MOD's default.
  void addAndEditThroughTheForm() {
    TForm_Engines dialog;
    dialog.Load("/srv/q3", {"baseq3"});
    const auto answer_form = [](const QString& name) {
      QTimer::singleShot(0, [name] {
        auto* form = qobject_cast<TForm_Engine_Profile*>(QApplication::activeModalWidget());
        QVERIFY(form != nullptr);
        form->Edit_Name()->setText(name);
        if (form->Edit_Program()->text().isEmpty()) {
          form->Edit_Program()->setText(QStringLiteral("quake3e"));
        }
        QVERIFY(form->Try_Accept());
      });
    };
    answer_form(QStringLiteral("first"));
    dialog.Add_Click();
    TEngine_Profiles stored = Load_Engine_Profiles();
    QCOMPARE(stored.Profiles.size(), std::size_t{1});
    QVERIFY(stored.Set_Default("baseq3", "first"));
    QVERIFY(Save_Engine_Profiles(stored));
    dialog.Load("/srv/q3", {"baseq3"});
    dialog.Table()->setCurrentCell(0, 0);
    answer_form(QStringLiteral("renamed"));
    dialog.Edit_Click();
    stored = Load_Engine_Profiles();
    QCOMPARE(stored.Profiles.size(), std::size_t{1});
    QCOMPARE(stored.Profiles[0].Name, std::string("renamed"));
    QCOMPARE(stored.Profiles[0].Program, std::string("quake3e"));
    QCOMPARE(stored.Default_For("BASEQ3"), &stored.Profiles[0]);
    QCOMPARE(Cell(dialog, 0, 4), QStringLiteral("baseq3"));
    QVERIFY(Save_Engine_Profiles({}));
  }
};

QTEST_MAIN(Tst_Engines_Dialog)
#include "tst_engines_dialog.moc"
