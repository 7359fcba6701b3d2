#include "lsp/driver_documents_action.h"

#include <memory>

#include "documents/driver_documents.h"
#include "lsp/json_rpc.h"
#include "output/file_naming.h"
#include "output/text_encoding.h"
#include "platform/paths.h"

namespace binario {

lsp::CodeAction write_documents_action(const std::string& train_uri, const std::string& number,
                                       bool name_train) {
  std::string title = "Write the driver's documents";
  if (name_train) title += " of train " + number;
  lsp::CodeAction action;
  action.title = title;
  action.kind = lsp::kSourceAction;
  action.command = lsp::Command{title, std::string(kWriteDocumentsCommand), {train_uri}};
  return action;
}

std::vector<std::string> write_driver_documents(PairTexts pair, const std::string& folder,
                                                FileSystem& fs, const std::atomic<bool>* cancel) {
  auto failed = [](const std::string& why) {
    return rpc::Error(lsp::kRequestFailed, "the driver's documents were not written: " + why);
  };
  if (!utf8_to_windows1252(pair.name) || !utf8_to_windows1252(pair.number)) {
    throw failed("the scenario name and the train number must be text that Windows-1252 can hold");
  }
  const ScenarioFileNames names = scenario_file_names(pair.name, pair.number);
  std::vector<std::string> paths;
  for (const std::string& base : {names.train_sheet, names.slowdown_order, names.notes}) {
    if (std::optional<std::string> refusal = file_name_length_refusal(base)) throw failed(*refusal);
    paths.push_back(join_path(folder, base));
    if (fs.exists(paths.back())) {
      throw failed("'" + paths.back() +
                   "' is there already; delete the documents, or replace them with binario "
                   "documents --force");
    }
  }

  pair.keep_records = true;
  const PairCompiled compiled = compile_pair(pair, pair.train.uri, fs, cancel);
  if (!compiled.faultless || !compiled.records) {
    throw failed("the pair has errors; mend them first");
  }
  const DriverDocuments documents = driver_documents(*compiled.model, *compiled.records, {});
  const std::string_view texts[] = {documents.train_sheet, documents.slowdown_order,
                                    documents.notes};
  std::vector<std::unique_ptr<OutputFile>> outputs;
  std::string error;
  for (size_t i = 0; i < paths.size(); ++i) {
    std::unique_ptr<OutputFile> file = fs.replace_file(paths[i], &error);
    if (!file) throw failed("cannot write '" + paths[i] + "': " + error);
    file->write(texts[i]);
    outputs.push_back(std::move(file));
  }
  SetReplaced replaced;
  if (!replace_files_together(outputs, &replaced)) {
    const std::string why = "cannot write '" + paths[replaced.failed] + "': " + replaced.error;
    if (replaced.renamed == 0) throw failed(why);
    throw rpc::Error(lsp::kRequestFailed, why + "; only the first " +
                                              std::to_string(replaced.renamed) +
                                              " of the driver's documents were written");
  }
  return paths;
}

}  // namespace binario
