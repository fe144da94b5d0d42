// The components that give a window its outline and keep it current:
//   TFormRegion      the window's region text, evaluated after loading, on every change and on
//                    every resize, and put on the window; ClientDrag makes the client area a
//                    drag handle.
//   TExternalRegion  base of the named sources that texts place with the T command:
//                    TMacrosExtRgn (a text of its own) here, TPictExtRgn (a skin bitmap) in
//                    pict_ext_rgn.h.
//   TFRCoordinator   one per window, shared by its region components: the source list, the
//                    evaluation stack and the hook on the window's messages.
// A window that hosts them is a Component (the owner) and a FormHost (below).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "skin/component.h"
#include "skin/errors.h"
#include "skin/region.h"
#include "skin/region_text.h"

namespace ozl::skin {

enum class BorderStyle { kNone, kSingle, kSizeable, kDialog, kToolWindow, kSizeToolWin };

struct CaptionMetrics {
  std::int32_t caption_height = 0;        // SM_CYCAPTION
  std::int32_t small_caption_height = 0;  // SM_CYSMCAPTION, for tool windows
};

// Where a window is and where its client area lies, in screen coordinates.
struct FormGeometry {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  BorderStyle border_style = BorderStyle::kNone;
  Point client_origin;  // the client area's top-left corner on the screen
  std::int32_t client_width = 0;
  std::int32_t client_height = 0;
};

// The window symbols of the region text language for a window.
RegionSymbols SymbolsOf(const FormGeometry& geometry, const CaptionMetrics& captions);

// What the toolkit needs from the system, one per process: GDI regions, system colours and
// metrics, message boxes (platform/skin_platform.h has it for Windows).
class SkinPlatform {
 public:
  virtual RegionOps& Regions() = 0;
  // The colour (red low) of a system colour index.
  virtual std::uint32_t SystemColor(int index) = 0;
  virtual CaptionMetrics Captions() = 0;
  // A message box with the text (Windows-1251), or wherever the application shows errors.
  virtual void ShowMessage(std::string_view text) = 0;

 protected:
  ~SkinPlatform() = default;
};

// What the coordinator learns from the window's messages.
class FormMessageSink {
 public:
  // The window's size changed (WM_SIZE), before the window's own procedure sees it.
  virtual void Resized() = 0;
  // Whether a hit on the client area counts as a hit on the caption (WM_NCHITTEST).
  virtual bool ClientDrag() const = 0;

 protected:
  ~FormMessageSink() = default;
};

// Routes the window's messages to a sink until destroyed; then the window's procedure is the one
// it had before.
class MessageHook {
 public:
  virtual ~MessageHook() = default;
};

// A window that region components can shape. The window must exist (have its handle) before the
// first region component is created on it, and stay until the last one is destroyed.
class FormHost {
 public:
  virtual FormGeometry Geometry() const = 0;
  virtual bool Visible() const = 0;
  // Repaints the whole window.
  virtual void Invalidate() = 0;
  // Makes region (window coordinates) the window's outline. The window takes the region; when
  // the system refuses it, it is freed.
  virtual void SetWindowRegion(Region region, bool redraw) = 0;
  // Starts routing WM_SIZE and WM_NCHITTEST to sink; see MessageHook.
  virtual std::unique_ptr<MessageHook> HookMessages(FormMessageSink& sink) = 0;
  virtual SkinPlatform& Platform() = 0;

 protected:
  ~FormHost() = default;
};

class TFormRegion;
class TExternalRegion;

enum class RegionChange {
  kRegionChanged = 1,  // the source's region changed
  kRenamed = 2,        // the source got a new name
};

class TFRCoordinator final : public RegionTextHost,
                             public FormMessageSink,
                             public std::enable_shared_from_this<TFRCoordinator> {
  struct PrivateTag {
    explicit PrivateTag() = default;
  };

 public:
  // The coordinator of the window, made (and hooked on the window) when it has none.
  static std::shared_ptr<TFRCoordinator> CoordinatorFor(FormHost& form);

  TFRCoordinator(FormHost& form, PrivateTag);
  TFRCoordinator(const TFRCoordinator&) = delete;
  TFRCoordinator& operator=(const TFRCoordinator&) = delete;
  ~TFRCoordinator();

  FormHost& Form() const { return form_; }
  TFormRegion* FormRegion() const { return form_region_; }
  const std::vector<TExternalRegion*>& Sources() const { return sources_; }

  // Tells every text-defined source, in list order, and then the form region about a source's
  // change; each re-reads or rewrites its own text.
  void NotifyRegionChange(const TExternalRegion& source, RegionChange code);

  RegionOps& Regions() override;
  RegionSymbols Symbols() override;
  RegionSource* FindSource(std::string_view name) override;
  std::vector<std::string>& TranslationStack() override { return translation_stack_; }
  void ShowMissingSource(std::string_view message) override;

  void Resized() override;
  bool ClientDrag() const override;

 private:
  friend class TFormRegion;
  friend class TExternalRegion;

  FormHost& form_;
  TFormRegion* form_region_ = nullptr;
  std::vector<TExternalRegion*> sources_;
  std::vector<std::string> translation_stack_;
  std::unique_ptr<MessageHook> hook_;
};

// The window's outline. At most one per window.
class TFormRegion final : public Component {
 public:
  // (sender, region text) on each resize; the handler may rewrite the text for good.
  using TSizeChangedEvent = std::function<void(TFormRegion& sender, std::string& region)>;

  // EDuplicateComponent when the owner has a form region already, EOwnerMustBeForm when the
  // owner is no window.
  TFormRegion(Component* owner, std::string_view name);
  ~TFormRegion() override;

  const std::string& Region() const { return region_; }
  // Stores the text; outside loading, evaluates it and puts the result on the window. A text
  // error propagates; the text stays stored and the window keeps its outline.
  void SetRegion(std::string_view text);
  bool DrawOnDesigning() const { return draw_on_designing_; }
  void SetDrawOnDesigning(bool value) { draw_on_designing_ = value; }
  bool ClientDrag() const { return client_drag_; }
  void SetClientDrag(bool value) { client_drag_ = value; }
  void SetOnSizeChanged(TSizeChangedEvent handler) { on_size_changed_ = std::move(handler); }

  // The result of the last evaluation, none after an error or an empty text.
  const skin::Region& EvaluatedRegion() const { return evaluated_; }
  void SizeChanged();
  void ApplyRegion();
  void SourceChanged(const TExternalRegion& source, RegionChange code);

 protected:
  void Loaded() override;

 private:
  std::shared_ptr<TFRCoordinator> coordinator_;
  std::string region_;
  skin::Region evaluated_;
  bool draw_on_designing_ = true;
  bool client_drag_ = false;
  TSizeChangedEvent on_size_changed_;
};

// A named region that region texts place with the T command.
class TExternalRegion : public Component, public RegionSource {
 public:
  ~TExternalRegion() override;

  const std::string& Name() const override { return Component::Name(); }
  // Renames and rewrites the texts of the window that use the old name.
  void SetName(std::string_view name) override;
  // The previous name while a rename is announced, else empty.
  const std::string& OldName() const { return old_name_; }
  bool OwnRegion() const { return own_region_; }
  void SetOwnRegion(bool value) { own_region_ = value; }
  bool HasRegionCache() const { return static_cast<bool>(region_cache_); }

  // The cached region's copy; without a cache, a region built now (and cached when OwnRegion).
  skin::Region GetRegionCopy() override;
  Size GetSourceSize() const override { return {}; }
  // Drops the cache and re-evaluates the window's texts that mention this source.
  void RegionChanged();

 protected:
  TExternalRegion(std::string_view class_name, Component* owner, std::string_view name);
  // Builds this source's region; the caller owns it.
  virtual skin::Region CreateRegion() = 0;
  TFRCoordinator& Coordinator() const { return *coordinator_; }

 private:
  std::shared_ptr<TFRCoordinator> coordinator_;
  bool own_region_ = true;
  skin::Region region_cache_;
  std::string old_name_;
};

// A source defined by a region text of its own, evaluated with the window's symbols.
class TMacrosExtRgn final : public TExternalRegion {
 public:
  TMacrosExtRgn(Component* owner, std::string_view name);

  const std::string& Region() const { return region_; }
  // A text equal to the current one (case-sensitively) changes nothing.
  void SetRegion(std::string_view text);
  void SourceChanged(const TExternalRegion& source, RegionChange code);

 protected:
  skin::Region CreateRegion() override;

 private:
  std::string region_;
};

// The text a component should be given after a source's change, or none when the change does
// not concern it: code 1 re-reads a text that mentions the source's name (ignoring case, also
// inside a longer name); code 2 replaces every occurrence of the old name by the new one.
std::optional<std::string> TextAfterSourceChange(std::string_view text,
                                                 const TExternalRegion& source, RegionChange code);

}  // namespace ozl::skin
