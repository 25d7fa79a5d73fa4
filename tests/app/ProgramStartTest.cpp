// The window started as a desktop program: its own start folder in the user's data location,
// filled at the first start and kept up to date, and the user's documents as the place for
// setting files when the options name no working folder.

#include "app/ProgramStart.h"
#include "WindowTestSupport.h"
#include "basics/Errors.h"
#include "windows/inputs/OptionsDialog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace orvek::test {
namespace {

const QString kBundled = QStringLiteral(ORVEK_DATA_DIR "/");

void putEnv(const char* name, const QString& value) {
    qputenv(name, QFile::encodeName(value));
}

// The window started from a menu: the current folder is some other folder (here the empty
// work folder), the data location a fresh one.
class ProgramStartTest : public WindowTest {
protected:
    ProgramStartTest() : WindowTest(false) {
        putEnv("XDG_DATA_HOME", dataHome.path());
        putEnv("XDG_DOCUMENTS_DIR", documents.path());
        qunsetenv("ORVEK_START_FOLDER");
    }
    ~ProgramStartTest() override {
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("ORVEK_START_FOLDER");
    }

    QString prepare(const QString& option = QString()) {
        QStringList warnings;
        const QString folder = ui::prepareStartFolder(option, kBundled, warnings);
        EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
        return folder;
    }
    ui::TForm1& startIn(const QString& folder) {
        window = std::make_unique<ui::TForm1>(folder);
        window->show();
        return *window;
    }
    ui::TForm3* openOptions() const {
        trigger("Options1");
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<ui::TForm3*>(w); d != nullptr && d->isVisible()) {
                return d;
            }
        }
        return nullptr;
    }
    QString own() const { return dataHome.path() + QStringLiteral("/orvek-cn/"); }

    QTemporaryDir dataHome;
    QTemporaryDir documents;
};

void writeText(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(ProgramStartTest, TheFirstStartFillsTheProgramsFolderAndShowsTheBundledDefaults) {
    const QString folder = prepare();
    EXPECT_EQ(folder, own());
    startIn(folder);
    EXPECT_TRUE(fake.messages.empty()) << fake.messageTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(list("ComboBox1")->count(), 6);
    EXPECT_EQ(edit("adpEdit24")->text(), QStringLiteral("12.5"));
    EXPECT_EQ(window->programValues().startFolder, folder.toStdString());
    for (const char* name : {"Option.Orvek", "Parameter.Orvek", "Input Template.Orvek",
                             "Example.stg", "help/index.html", "milwaukee_1991_2020_daily.wth"}) {
        EXPECT_TRUE(QFile::exists(folder + QString::fromUtf8(name))) << name;
    }

    // The bundled example runs from there.
    retrieve(folder + QStringLiteral("Example.stg"));
    click(find<QPushButton>("BitBtn1"));
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("ResultDaily.~")));
    EXPECT_FALSE(work.exists(QStringLiteral("ResultDaily.~")));
}

TEST_F(ProgramStartTest, TheUsersOwnFilesSurviveANewStartAndTheOthersAreUpdated) {
    const QString folder = prepare();
    writeText(folder + QStringLiteral("Option.Orvek"),
              "Y\r\n38353\r\n33\r\n1.2\r\n20\r\n30\r\n0\r\n0\r\nN\r\n\r\n\r\n");
    writeText(folder + QStringLiteral("Parameter.Orvek"), "my parameters");
    writeText(folder + QStringLiteral("help/index.html"), "an old guide");
    EXPECT_EQ(prepare(), folder);
    startIn(folder);
    EXPECT_EQ(edit("adpEdit24")->text(), QStringLiteral("33"));
    EXPECT_TRUE(radio("RadioButton3")->isChecked());
    EXPECT_EQ(readText(folder + QStringLiteral("Parameter.Orvek")), QByteArray("my parameters"));
    EXPECT_EQ(readText(folder + QStringLiteral("help/index.html")),
              readText(kBundled + QStringLiteral("help/index.html")));
}

TEST_F(ProgramStartTest, LeftoversAreClearedOnlyInTheStartFolder) {
    const QString folder = prepare();
    writeText(folder + QStringLiteral("~old.xls"), "lock");
    writeText(folder + QStringLiteral("DailyWth.~"), "old");
    work.write(QStringLiteral("~mine.xls"), "the current folder's");
    work.write(QStringLiteral("notes.~"), "the current folder's");
    startIn(folder);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("~old.xls")));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("DailyWth.~")));
    window->close();
    window.reset();
    EXPECT_TRUE(work.exists(QStringLiteral("~mine.xls")));
    EXPECT_TRUE(work.exists(QStringLiteral("notes.~")));
}

TEST_F(ProgramStartTest, TheOptionChoosesAnotherFolderAndLeavesTheDataLocationAlone) {
    QTemporaryDir other;
    const QString fromOption = other.path() + QStringLiteral("/option");
    EXPECT_EQ(prepare(fromOption), fromOption + QStringLiteral("/"));
    EXPECT_TRUE(QFile::exists(fromOption + QStringLiteral("/Substrates.Orvek")));
    EXPECT_FALSE(QDir(own()).exists());
}

TEST_F(ProgramStartTest, AStartFolderThatCannotBeMadeIsAnError) {
    QTemporaryDir other;
    writeText(other.path() + QStringLiteral("/file"), "not a folder");
    QStringList warnings;
    EXPECT_THROW(ui::prepareStartFolder(other.path() + QStringLiteral("/file"), kBundled, warnings),
                 OrvekError);
    // Without the bundled files a folder filled before still starts, with a warning.
    const QString folder = prepare();
    EXPECT_EQ(ui::prepareStartFolder(QString(), other.path() + QStringLiteral("/none"), warnings),
              folder);
    EXPECT_EQ(warnings.size(), 1);
}

TEST_F(ProgramStartTest, AnEmptyWorkingFolderLeadsTheDialogsToTheDocumentsFolder) {
    const QString documentsFolder = documents.path() + QStringLiteral("/");
    startIn(prepare());
    trigger("Saveinputsettings1");
    ASSERT_EQ(fake.saveRequests.size(), 1u);
    EXPECT_EQ(fake.saveRequests[0].initialFolder, documentsFolder);

    // A working folder chosen in the Options dialog, then cleared again.
    QTemporaryDir mine;
    ui::TForm3* dialog = openOptions();
    ASSERT_NE(dialog, nullptr);
    type(dialog->findChild<QLineEdit*>(QStringLiteral("Edit1")), mine.path());
    click(dialog->findChild<QPushButton*>(QStringLiteral("Button1")));
    trigger("Saveinputsettings1");
    EXPECT_EQ(fake.saveRequests.back().initialFolder, mine.path() + QStringLiteral("/"));

    dialog = openOptions();
    ASSERT_NE(dialog, nullptr);
    type(dialog->findChild<QLineEdit*>(QStringLiteral("Edit1")), QString());
    click(dialog->findChild<QPushButton*>(QStringLiteral("Button1")));
    trigger("Saveinputsettings1");
    EXPECT_EQ(fake.saveRequests.back().initialFolder, documentsFolder);
    EXPECT_NE(window->programValues().workingFolder, window->programValues().startFolder);
}

TEST(ProgramCommandLine, StartFolderOptionAndUsageErrors) {
    const auto parse = [](std::initializer_list<const char*> args) {
        QStringList list{QStringLiteral("orvek")};
        for (const char* a : args) {
            list << QString::fromUtf8(a);
        }
        return ui::parseCommandLine(list);
    };
    EXPECT_EQ(parse({"--start-folder", "/w"}).startFolder, QStringLiteral("/w"));
    EXPECT_EQ(parse({"--start-folder=/w"}).startFolder, QStringLiteral("/w"));
    EXPECT_TRUE(parse({}).error.isEmpty());
    EXPECT_TRUE(parse({"--help"}).help);
    EXPECT_FALSE(parse({"--start-folder"}).error.isEmpty()); // no folder given
    EXPECT_FALSE(parse({"--start-folder", ""}).error.isEmpty());
    EXPECT_FALSE(parse({"Example.stg"}).error.isEmpty());
}

} // namespace
} // namespace orvek::test
