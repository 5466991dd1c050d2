#pragma once

/// Whether the test runs under Wine, which differs from Windows in places (the README's Wine
/// section lists them); a row that meets such a difference is skipped there, and only there.
bool UnderWine();
