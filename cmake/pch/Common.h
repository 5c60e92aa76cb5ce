// The standard and Qt Core headers nearly every source of ours reads through Classes.h and
// SysUtils.h, compiled once for all libraries (cmake/Kadrion.cmake: kadrion_pch). Only what
// every target can see: Qt Core, no Gui or Widgets.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <initializer_list>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
