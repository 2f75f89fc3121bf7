#pragma once

namespace orvane::images::edg {

enum class Version { Edge1, Edge2 };

} // namespace orvane::images::edg
