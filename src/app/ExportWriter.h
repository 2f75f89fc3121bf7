#pragma once

#include <functional>
#include <string>

#include "app/ExportFiles.h"
#include "app/ExportOptions.h"
#include "app/Pipeline.h"

namespace app {

// The files one export format makes of a document, beside the input: made
// in memory by write(), then each written through a temporary and put in
// place by commit(), one after another.
class ExportWriter final : public DocumentWriter {
public:
    // `written(path)` after each file is in place; `note(text)` for each case
    // the format could not write exactly, told before any file is written.
    ExportWriter(const ExportOptions& options, const std::string& input,
                 std::function<void(const std::string&)> written, std::function<void(const std::string&)> note);

    void write(const orvane::images::edg::EdgImage& image, concurrency::Route route) override;
    void discard() override;
    void commit(const orvane::inflate::Confirmation& confirmed) override;

private:
    const std::string& input_;
    ExportFiles files_;
    std::function<void(const std::string&)> written_;
    std::function<void(const std::string&)> note_;
};

} // namespace app
