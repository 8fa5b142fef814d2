#include "Keepsift/model/LibraryNotice.hpp"

namespace keepsift::app {

std::string libraryUnavailableNotice(const std::string& folder, const std::string& language) {
    const bool german = language == "de";
    if (folder.empty())
        return german ? "Keepsift kann deine Fotomediathek gerade nicht lesen. Deine Durchsicht "
                        "bleibt erhalten, bis die Mediathek wieder da ist."
                      : "Keepsift cannot read your photo library right now. Your review is kept "
                        "until the library is back.";
    return german ? "Keepsift kann den Ordner \u201E" + folder +
                        "\u201C deiner Fotomediathek gerade nicht lesen. Deine Durchsicht bleibt "
                        "erhalten, bis der Ordner wieder da ist."
                  : "Keepsift cannot read the folder \u201C" + folder +
                        "\u201D of your photo library right now. Your review is kept until the "
                        "folder is back.";
}

std::string missingPicturesNotice(const std::string& folder, const std::string& command,
                                  const std::string& language) {
    if (language == "de")
        return "Es gibt keinen Bilderordner \u201E" + folder +
               "\u201C, daher liest Keepsift nichts. Lege ihn an und starte Keepsift neu, oder "
               "starte Keepsift einmal mit dem Ordner deiner Fotos: " +
               command + " --library ORDNER. Keepsift merkt sich diesen Ordner.";
    return "There is no Pictures folder \u201C" + folder +
           "\u201D, so Keepsift reads nothing. Make it and start Keepsift again, or start "
           "Keepsift once with the folder of your photographs: " +
           command + " --library FOLDER. Keepsift remembers that folder.";
}

} // namespace keepsift::app
