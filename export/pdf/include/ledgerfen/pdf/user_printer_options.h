// The user's own printer options: the lpoptions file in the home folder
// (~/.cups/lpoptions), which `lpoptions -d` writes and libcups reads before
// the system's options. Each line is "Dest NAME options..." or "Default NAME
// options..." (keywords in any case, NAME "queue" or "queue/instance"); the
// first Default line names the user's own default printer. Without one, the
// system's default applies (/etc/cups/lpoptions, else the server's).
//
// The PDF export changes only which line is the Default one, so that the
// user's options for every printer, and the lines it does not understand,
// stay as they were; libcups would write the file afresh from every
// destination it knows, the system's options included.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ledgerfen::pdf {

// The destination the first Default line of the options names, or nothing.
std::optional<std::string> defaultInOptions(std::string_view options);

// The options with `destination` as the default, or with no default.
// Each Default line becomes a Dest line when it carries options and goes
// when it carries none; then the first Dest line of `destination` becomes
// its Default line, or, when there is none, "Default DESTINATION" is added
// at the end. So making the previous default the default again gives the
// options back as they were, but for the order of their lines.
std::string withDefaultInOptions(std::string_view options, const std::optional<std::string>& destination);

// Where the user's options are: $HOME/.cups/lpoptions, the home folder
// taken from the password database when HOME is not set.
std::string userOptionsPath();

}  // namespace ledgerfen::pdf
