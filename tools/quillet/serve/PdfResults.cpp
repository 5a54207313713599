#include "PdfResults.h"

#include <filesystem>
#include <set>

#include "Output.h"
#include "RequestFiles.h"

namespace quillet::cli::serve {

std::vector<MadePdf> FinishPdfs(std::vector<MadePdf> pdfs, const PdfAfter& after, const std::string& folder,
                                const std::string& mergedStem) {
  if (after.merge && pdfs.size() > 1) {
    std::vector<std::string> paths;
    for (const MadePdf& pdf : pdfs) paths.push_back(pdf.path);
    const std::string merged = folder + "/merged.pdf";
    MergePdfs(paths, merged, after.archival);
    pdfs = {{merged, mergedStem}};
  }
  if (after.split) {
    const std::string parts = folder + "/parts";
    std::filesystem::create_directory(parts);
    std::vector<MadePdf> split;
    size_t made = 0;
    for (const MadePdf& pdf : pdfs) {
      const std::vector<std::string> paths = SplitPdf(pdf.path, *after.split, parts, made);
      for (size_t i = 0; i < paths.size(); ++i) {
        const std::string name = SplitPartName(pdf.stem, i, *after.split);
        split.push_back({paths[i], name.substr(0, name.size() - 4)});
      }
    }
    pdfs = std::move(split);
  }
  for (const MadePdf& pdf : pdfs) {
    if (after.metadata) WritePdfMetadata(pdf.path, *after.metadata);
    if (after.flatten) FlattenPdf(pdf.path);
    if (!after.userPassword.empty()) EncryptPdf(pdf.path, after.userPassword, after.ownerPassword);
  }
  return pdfs;
}

void SendPdfs(httplib::Response& res, const std::shared_ptr<RequestFolder>& folder, const std::vector<MadePdf>& pdfs,
              const std::string& output) {
  if (pdfs.size() == 1) return SendFile(res, folder, pdfs[0].path, output + ".pdf");
  // Names made unique in the archive: a second a.pdf is a-2.pdf.
  std::vector<std::pair<std::string, std::string>> files;
  std::set<std::string> taken;
  for (size_t i = 0; i < pdfs.size(); ++i) {
    std::string name = pdfs[i].stem + ".pdf";
    for (size_t n = 2; taken.count(name); ++n) name = pdfs[i].stem + "-" + std::to_string(n) + ".pdf";
    taken.insert(name);
    files.emplace_back(pdfs[i].path, name);
  }
  const std::string archive = folder->path() + "/result.zip";
  ZipFiles(files, archive);
  SendFile(res, folder, archive, output + ".zip");
}

}  // namespace quillet::cli::serve
