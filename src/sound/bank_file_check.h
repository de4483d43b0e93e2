#pragma once
// The look at a file that comes before handing it to the bank loaders. SoundFont (.sf2, .sf3)
// and DLS (.dls) banks are RIFF files: a "RIFF" header with the length of what follows and the
// form ("sfbk" or "DLS "), then chunks, each with a four-letter name and a length. A file that
// is not laid out so (empty, text, random bytes, another RIFF kind such as a WAVE sound, or
// one cut short) is refused here with a reason a user can act on; the loaders never see it.
// They only report that they refused, and print their own complaints about such files.
#include <string>

#include "base/error.h"

namespace kelvara::sound {

// Refused: the reason says what the file is instead, and the detail what was found where.
// `description` is the refusal's heading. Reads only the headers.
Result<void> check_bank_file(const std::string& path, const std::string& description);

}  // namespace kelvara::sound
