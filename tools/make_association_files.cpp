// Writes the desktop entry and the MIME package an installation carries: the
// very files the .lst association writes for a user, here for the trimora
// found on the PATH, so that a user's own association only ever differs from
// the installed one by the program's full path.
//   make_association_files DESKTOP_FILE MIME_PACKAGE
#include <cstdio>
#include <string>

#include "file_io.h"
#include "lst_association.h"

namespace {

bool Write(const char* path, const QByteArray& bytes) {
    std::string error;
    if (trimora::WriteFileReplacing(path, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                    static_cast<std::size_t>(bytes.size()), &error))
        return true;
    std::fprintf(stderr, "make_association_files: %s: %s\n", path, error.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_association_files DESKTOP_FILE MIME_PACKAGE\n");
        return 2;
    }
    trimora::app::LstAssociation association;
    association.ProgramPath = QStringLiteral("trimora");
    const bool written =
        Write(argv[1], association.DesktopFileContent()) && Write(argv[2], association.MimePackageContent());
    return written ? 0 : 1;
}
