// Compiled by the build with one of COMMIT_CONFIRMED, COMMIT_UNCONFIRMED or
// COMMIT_MADE_UP defined: only the first may compile. An output is put in
// place only with zlib's word on what it was made of.
#include "app/FileOutput.h"
#include "orvane/inflate/InflatedBody.h"

void putInPlace(app::FileOutput& file, orvane::inflate::InflatedBody& body) {
#if defined(COMMIT_CONFIRMED)
    if (auto confirmed = body.confirm()) file.commit(std::move(*confirmed));
#elif defined(COMMIT_UNCONFIRMED)
    (void)body;
    file.commit();
#elif defined(COMMIT_MADE_UP)
    (void)body;
    file.commit(orvane::inflate::Confirmation{});
#endif
}
