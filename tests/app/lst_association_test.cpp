#include <gtest/gtest.h>

#include "isolated_home.h"
#include "lst_association.h"

namespace trimora::app {
namespace {

using test::IsolatedHome;

constexpr char ExpectedDesktopFile[] =
    "[Desktop Entry]\n"
    "Type=Application\n"
    "Name=Trimora\n"
    "GenericName=Web Site Compressor\n"
    "Comment=Makes web sites smaller\n"
    "TryExec=/opt/trimora/trimora\n"
    "Exec=/opt/trimora/trimora %f\n"
    "Icon=trimora\n"
    "Terminal=false\n"
    "Categories=Development;WebDevelopment;\n"
    "Keywords=minify;compress;HTML;JavaScript;VBScript;CSS;web site;\n"
    "MimeType=application/x-trimora-list;\n"
    "Actions=Open;Run;\n"
    "\n"
    "[Desktop Action Open]\n"
    "Name=Open Trimora Batch List\n"
    "Exec=/opt/trimora/trimora %f\n"
    "\n"
    "[Desktop Action Run]\n"
    "Name=Run Trimora Batch List\n"
    "Exec=/opt/trimora/trimora /c %f\n";

constexpr char ExpectedMimePackage[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
    "  <mime-type type=\"application/x-trimora-list\">\n"
    "    <comment>Trimora Batch List</comment>\n"
    "    <sub-class-of type=\"text/plain\"/>\n"
    "    <glob pattern=\"*.lst\"/>\n"
    "  </mime-type>\n"
    "</mime-info>\n";

// A home with stand-ins for the desktop's update tools that log their calls.
class Association : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(home / "bin");
        for (const char* tool : {"update-mime-database", "update-desktop-database"}) {
            const std::string path = home / (std::string("bin/") + tool);
            test::WriteText(path, "#!/bin/sh\necho \"${0##*/} $*\" >> \"" + (home / "tools.log") + "\"\n");
            std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        }
        home.Set("PATH", home / "bin");
        association = LstAssociation::ForProgram("/opt/trimora/trimora");
    }

    std::string Data(const std::string& name) const { return home / ("data/" + name); }

    // Files of other programs in the same folders, one of them claiming *.lst too.
    void AddOtherProgramsFiles() const {
        std::filesystem::create_directories(Data("applications"));
        std::filesystem::create_directories(Data("mime/packages"));
        test::WriteText(Data("applications/listview.desktop"),
                        "[Desktop Entry]\nType=Application\nName=List View\nExec=listview %f\nMimeType=text/x-list;\n");
        test::WriteText(Data("applications/mimeapps.list"), "[Default Applications]\ntext/x-list=listview.desktop\n");
        test::WriteText(Data("mime/packages/listview.xml"),
                        "<?xml version=\"1.0\"?>\n<mime-info><mime-type type=\"text/x-list\"><glob pattern=\"*.lst\"/>"
                        "</mime-type></mime-info>\n");
    }

    IsolatedHome home;
    LstAssociation association;
};

TEST_F(Association, RoundTripLeavesOtherProgramsFilesAsTheyWere) {
    AddOtherProgramsFiles();
    const auto before = test::Snapshot(home / "data");
    EXPECT_FALSE(AssociateLst(false, false, association));

    AssociationReport report;
    EXPECT_FALSE(AssociateLst(true, true, association, &report));
    EXPECT_TRUE(report.Problems.isEmpty() && report.KeptFiles.isEmpty());
    EXPECT_TRUE(AssociateLst(false, false, association));
    EXPECT_EQ(test::ReadText(Data("applications/trimora.desktop")), ExpectedDesktopFile);
    EXPECT_EQ(test::ReadText(Data("mime/packages/trimora.xml")), ExpectedMimePackage);
    EXPECT_TRUE(AssociateLst(true, true, association));  // in place already: nothing to do

    EXPECT_TRUE(AssociateLst(false, true, association));
    EXPECT_FALSE(AssociateLst(false, false, association));
    EXPECT_EQ(test::Snapshot(home / "data"), before);
    EXPECT_FALSE(std::filesystem::exists(home / "trimora/association-backup"));
    const std::string tools =
        "update-mime-database " + Data("mime") + "\nupdate-desktop-database " + Data("applications") + "\n";
    EXPECT_EQ(test::ReadText(home / "tools.log"), tools + tools);
}

TEST_F(Association, AFileOfTheSameNameIsKeptBeforeItIsReplaced) {
    std::filesystem::create_directories(Data("applications"));
    test::WriteText(Data("applications/trimora.desktop"), "[Desktop Entry]\nExec=/old/trimora %f\n");
    AssociationReport first;
    AssociateLst(true, true, association, &first);
    const std::string backups = home / "trimora/association-backup/";
    EXPECT_EQ(first.KeptFiles, QStringList(QString::fromStdString(backups + "trimora.desktop")));
    EXPECT_EQ(test::ReadText(backups + "trimora.desktop"), "[Desktop Entry]\nExec=/old/trimora %f\n");

    // Another version later: kept beside the first copy, which stays.
    test::WriteText(Data("applications/trimora.desktop"), "[Desktop Entry]\nExec=/older/trimora %f\n");
    AssociationReport second;
    EXPECT_FALSE(AssociateLst(true, true, association, &second));
    EXPECT_EQ(second.KeptFiles, QStringList(QString::fromStdString(backups + "trimora.desktop.2")));
    EXPECT_EQ(test::ReadText(backups + "trimora.desktop"), "[Desktop Entry]\nExec=/old/trimora %f\n");
    EXPECT_EQ(test::ReadText(backups + "trimora.desktop.2"), "[Desktop Entry]\nExec=/older/trimora %f\n");
    EXPECT_TRUE(AssociateLst(false, false, association));
}

TEST_F(Association, AFileThatCannotBeKeptIsNotReplaced) {
    std::filesystem::create_directories(Data("mime/packages"));
    test::WriteText(Data("mime/packages/trimora.xml"), "someone else's");
    std::filesystem::create_directories(home / "trimora");
    test::WriteText(home / "trimora/association-backup", "a file where the folder goes");
    AssociationReport report;
    AssociateLst(true, true, association, &report);
    EXPECT_EQ(report.Problems.size(), 1);
    EXPECT_EQ(test::ReadText(Data("mime/packages/trimora.xml")), "someone else's");
    EXPECT_FALSE(AssociateLst(false, false, association));
}

TEST_F(Association, RemovingTakesOnlyOurOwnFilesEvenWhenPartlyInPlace) {
    AssociateLst(true, true, association);
    test::WriteText(Data("mime/packages/trimora.xml"), "changed by someone");
    EXPECT_FALSE(AssociateLst(false, false, association));
    EXPECT_FALSE(AssociateLst(false, true, association));
    EXPECT_FALSE(std::filesystem::exists(Data("applications/trimora.desktop")));
    EXPECT_EQ(test::ReadText(Data("mime/packages/trimora.xml")), "changed by someone");
}

TEST_F(Association, WorksWithoutTheUpdateTools) {
    home.Set("PATH", home / "empty");
    EXPECT_FALSE(AssociateLst(true, true, association));
    EXPECT_TRUE(AssociateLst(false, true, association));
    EXPECT_FALSE(std::filesystem::exists(home / "tools.log"));
}

TEST_F(Association, AnUnwritableFolderIsReported) {
    test::WriteText(home / "blocker", "x");
    association.DataHome = QString::fromStdString(home / "blocker");
    AssociationReport report;
    EXPECT_FALSE(AssociateLst(true, true, association, &report));
    EXPECT_EQ(report.Problems.size(), 2);
    EXPECT_FALSE(AssociateLst(false, false, association));
}

// TryExec is a plain string: quoting it, as Exec needs, hides the entry.
TEST(DesktopEntry, TryExecNamesTheProgramUnquotedAndExecQuotesIt) {
    LstAssociation association;
    association.ProgramPath = QStringLiteral("/opt/my apps/100%/trimora");
    const std::string content = association.DesktopFileContent().toStdString();
    EXPECT_NE(content.find("\nTryExec=/opt/my apps/100%/trimora\n"), std::string::npos) << content;
    EXPECT_NE(content.find("\nExec=\"/opt/my apps/100%%/trimora\" %f\n"), std::string::npos) << content;
    EXPECT_NE(content.find("\nExec=\"/opt/my apps/100%%/trimora\" /c %f\n"), std::string::npos) << content;
}

struct StringCase {
    const char* Text;
    const char* Value;
    friend void PrintTo(const StringCase& c, std::ostream* out) { *out << c.Text; }
};

class StringValue : public testing::TestWithParam<StringCase> {};

TEST_P(StringValue, EscapesAsDesktopEntriesRequire) {
    EXPECT_EQ(DesktopStringValue(QString::fromUtf8(GetParam().Text)).toStdString(), GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(Paths, StringValue,
                         testing::Values(StringCase{"/usr/bin/trimora", "/usr/bin/trimora"},
                                         StringCase{"/opt/my apps/trimora", "/opt/my apps/trimora"},
                                         StringCase{"/opt/a\\b/trimora", "/opt/a\\\\b/trimora"},
                                         StringCase{"/opt/a\nb/trimora", "/opt/a\\nb/trimora"},
                                         StringCase{"/opt/$HOME/\"x\"/100%", "/opt/$HOME/\"x\"/100%"}));

struct ExecCase {
    const char* Path;
    const char* Argument;
    friend void PrintTo(const ExecCase& c, std::ostream* out) { *out << c.Path; }
};

class ExecArgument : public testing::TestWithParam<ExecCase> {};

TEST_P(ExecArgument, QuotesAndEscapesAsDesktopEntriesRequire) {
    EXPECT_EQ(DesktopExecArgument(QString::fromUtf8(GetParam().Path)).toStdString(), GetParam().Argument);
}

INSTANTIATE_TEST_SUITE_P(Paths, ExecArgument,
                         testing::Values(ExecCase{"/usr/bin/trimora", "/usr/bin/trimora"},
                                         ExecCase{"/opt/my apps/trimora", "\"/opt/my apps/trimora\""},
                                         ExecCase{"/opt/$HOME/trimora", "\"/opt/\\\\$HOME/trimora\""},
                                         ExecCase{"/opt/a\"b/trimora", "\"/opt/a\\\\\"b/trimora\""},
                                         ExecCase{"/opt/a\\b/trimora", "\"/opt/a\\\\\\\\b/trimora\""},
                                         ExecCase{"/opt/100%/trimora", "/opt/100%%/trimora"},
                                         ExecCase{"/opt/ü/trimora", "/opt/ü/trimora"}));

}  // namespace
}  // namespace trimora::app
