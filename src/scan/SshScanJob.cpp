#include "scan/SshScanJob.h"

#include <chrono>
#include <cstdlib>
#include <vector>

#include "model/SizeTree.h"
#include "scan/NcduTree.h"

namespace kv {

namespace {
constexpr size_t BatchEntries = 4096;
// KESTROVE_SSH_CONFIG names an ssh configuration file to use instead of ~/.ssh/config.
std::string SshConfigFromEnvironment() {
  const char* file = std::getenv("KESTROVE_SSH_CONFIG");
  return file ? file : "";
}
constexpr auto BatchTime = std::chrono::milliseconds(100);
}  // namespace

// Collects entries on the worker and applies them on the UI thread.
class TSshScanJob::TBatchSink final : public INcduSink {
 public:
  explicit TBatchSink(TSshScanJob& job) : Job_(job) {}

  std::string Folder(const TNcduEntry& entry) override { return Add(TKind::Folder, entry); }
  std::string File(const TNcduEntry& entry) override { return Add(TKind::File, entry); }
  void EndFolder() override { Add(TKind::End, {}); }

  // False when the job was stopped: the call never ran.
  bool Hand(bool last) {
    std::vector<TEvent> events = std::move(Events_);
    Events_.clear();
    Started_ = std::chrono::steady_clock::now();
    TSshScanJob& job = Job_;
    return job.Queue_.Call(job.Calls_, [&job, &events, last, this] {
      job.Tree_.BeginUpdate();
      for (const TEvent& event : events) {
        if (!Refused_.empty()) break;
        if (event.Kind == TKind::Folder) Refused_ = job.Builder_->Folder(event.Entry);
        else if (event.Kind == TKind::File) Refused_ = job.Builder_->File(event.Entry);
        else job.Builder_->EndFolder();
      }
      if (last) job.Builder_->Finish();
      else job.Builder_->Flush();
      job.Tree_.EndUpdate();
    });
  }
  const std::string& Refused() const { return Refused_; }

 private:
  enum class TKind { Folder, File, End };
  struct TEvent {
    TKind Kind;
    TNcduEntry Entry;
  };
  std::string Add(TKind kind, const TNcduEntry& entry) {
    if (Events_.empty()) Started_ = std::chrono::steady_clock::now();
    Events_.push_back({kind, entry});
    if (Events_.size() >= BatchEntries || std::chrono::steady_clock::now() - Started_ >= BatchTime) {
      if (!Hand(false)) return "stopped";
    }
    return Refused_;  // set on the UI thread while this thread waited
  }

  TSshScanJob& Job_;
  std::vector<TEvent> Events_;
  std::chrono::steady_clock::time_point Started_;
  std::string Refused_;
};

TSshScanJob::TSshScanJob(TSizeTree& tree, TUiCallQueue& queue, const TSshTarget& target, TSshMethod method,
                         std::function<void(const std::string& error)> onEnd)
    : Tree_(tree), Queue_(queue), Target_(target), Scan_(target, method, SshConfigFromEnvironment()),
      OnEnd_(std::move(onEnd)),
      Builder_(std::make_unique<TNcduTreeBuilder>(tree)) {
  Thread_ = std::thread([this] { Execute(); });
}

TSshScanJob::~TSshScanJob() {
  Stop();
  if (Thread_.joinable()) Thread_.join();
}

void TSshScanJob::Stop() {
  Queue_.Cancel(Calls_);
  Scan_.Stop();
  // No batch runs after the cancel: what arrived is counted, its open folders incomplete.
  Tree_.BeginUpdate();
  Builder_->Finish();
  Tree_.EndUpdate();
}

void TSshScanJob::Execute() {
  TBatchSink sink(*this);
  std::string error = Scan_.Run(sink);
  if (error.empty() && !sink.Refused().empty()) error = sink.Refused();
  // The last batch, the end of every open folder, and the message.
  if (sink.Hand(true)) {
    Queue_.Call(Calls_, [this, error] {
      if (OnEnd_) OnEnd_(error);
    });
  }
  Finished_ = true;
}

}  // namespace kv
