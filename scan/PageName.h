#pragma once

#include <QString>

/// Whether a file of this name is a page the run rewrites: the name ends in ".htm" or ".html",
/// in any mix of case. Users have always had .html pages rewritten along with .htm ones (the
/// listing this program was made for matched "*.htm" against the 8.3 short name too, and the
/// short name of page.html is PAGE~1.HTM), so both count; nothing else a user would not call an
/// HTML page does (.htmx, .shtml, .htm.bak).
bool IsPageName(const QString &name);
