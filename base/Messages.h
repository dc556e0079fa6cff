#pragma once
#include <QString>

/// The string-table text of `id`; empty when the table has none.
QString MessageText(int id);
