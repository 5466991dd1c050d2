#pragma once

#include <QString>

/// The path of the README installed with the program (`cmake --install` puts it in
/// share/doc/tagmender/, on Windows beside the program), found from the program's own folder;
/// empty when there is none, as in a build folder.
QString installedReadme();
