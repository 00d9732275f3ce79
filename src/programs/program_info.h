// The title and version text under which every program is shown, read from
// its file's version resource (version_info.h). Each call reads the resource
// anew; nothing is cached here (ProgramCache keeps one description per path).
#pragma once

#include <string>
#include <string_view>

#include "platform/version_resources.h"

namespace brenvik {

// The part of the path after its last "\" or "/" (the whole path when it has
// neither): the file name with its extension.
std::string FileNamePart(std::string_view path);

// The FileDescription of the version resource, the last translation of the
// table deciding (also when its description is empty); the file name when
// that gives nothing. A resource that cannot be loaded raises
// "Can't load version information"; one without a sound fixed block raises
// "Can't read fixed file information" / "Fixed file information record wrong
// size". A file without a resource, or no file at all, gives the file name.
std::string GetProgramTitle(VersionResources& resources, const std::string& path);

// The file version as four decimal numbers joined by dots ("10.0.19041.1",
// "0.0.0.0"), or an empty text when the file has no readable fixed block.
// Never raises.
std::string GetFileVersionText(VersionResources& resources, const std::string& path);

}  // namespace brenvik
