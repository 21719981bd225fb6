// An icon drawn from SVG text at the sizes desktops ask for.
#pragma once

#include <QIcon>

#include <string>

// A null icon when the text is no SVG Qt can draw.
QIcon IconFromSvg(const std::string& svg);
