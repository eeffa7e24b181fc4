// The lists of a control (a list box's or combo box's items, its selection) and the pictures of
// an image list.

#include <algorithm>
#include <utility>

#include "forms/form_detail.hpp"
#include "forms/form_model.hpp"

namespace kx::forms {

using detail::Fail;

void Control::AddItem(std::string text) {
  AddItem(ListItem{std::move(text), {}, {}});
}

void Control::AddItem(ListItem item) {
  Require(Property::Items);
  if (!item.key.empty() && FindKey(item.key) >= 0) {
    Fail(kErrKeyNotUnique,
         "Der Schlüssel '" + item.key + "' ist in der Liste '" + name_ + "' schon vergeben.");
  }
  state_.items.push_back(std::move(item));
  Notify(Property::Items);
}

void Control::Clear() {
  Require(Property::Items);
  const bool hadItems = !state_.items.empty();
  state_.items.clear();
  if (hadItems) Notify(Property::Items);
  if (state_.listIndex != -1) {
    state_.listIndex = -1;
    Notify(Property::ListIndex);
  }
  if (!state_.text.empty()) {
    state_.text.clear();
    ResetSelection();
    Notify(Property::Text);
    RaiseChange();
  }
}

int Control::ListCount() const {
  Require(Property::Items);
  return static_cast<int>(state_.items.size());
}

const std::vector<ListItem>& Control::Items() const {
  Require(Property::Items);
  return state_.items;
}

const ListItem& Control::Item(int index) const {
  Require(Property::Items);
  if (index < 0 || index >= static_cast<int>(state_.items.size())) {
    Fail(kErrInvalidIndex,
         "Die Liste '" + name_ + "' hat keinen Eintrag an Position " + std::to_string(index) + ".");
  }
  return state_.items[static_cast<std::size_t>(index)];
}

int Control::ListIndex() const {
  Require(Property::ListIndex);
  return state_.listIndex;
}

void Control::SetListIndex(int index) {
  Require(Property::ListIndex);
  if (index < -1 || index >= static_cast<int>(state_.items.size())) {
    Fail(kErrInvalidIndex,
         "Die Liste '" + name_ + "' hat keinen Eintrag an Position " + std::to_string(index) + ".");
  }
  if (state_.listIndex == index) return;
  state_.listIndex = index;
  std::string text = index < 0 ? std::string() : state_.items[static_cast<std::size_t>(index)].text;
  const bool textChanged = state_.text != text;
  state_.text = std::move(text);
  Notify(Property::ListIndex);
  if (textChanged) {
    ResetSelection();
    Notify(Property::Text);
  }
  RaiseClick();
}

const ListItem& Control::SelectedItem() const {
  Require(Property::ListIndex);
  if (state_.listIndex < 0) {
    Fail(kErrNoObject, "In der Liste '" + name_ + "' ist kein Eintrag ausgewählt.");
  }
  return state_.items[static_cast<std::size_t>(state_.listIndex)];
}

int Control::FindKey(std::string_view key) const {
  Require(Property::Items);
  for (std::size_t i = 0; i < state_.items.size(); ++i) {
    if (state_.items[i].key == key) return static_cast<int>(i);
  }
  return -1;
}

const std::string& Control::ImageList() const {
  Require(Property::ImageList);
  return state_.imageList;
}

void Control::SetImageList(std::string imageListName) {
  Require(Property::ImageList);
  if (!imageListName.empty()) {
    const Control* list = form_.Find(imageListName);
    if (list == nullptr || list->kind_ != ControlKind::ImageList) {
      Fail(kErrNoSuchControl, "Die Bilderliste '" + imageListName + "' gibt es nicht.");
    }
  }
  if (state_.imageList == imageListName) return;
  state_.imageList = std::move(imageListName);
  Notify(Property::ImageList);
}

void Control::AddImage(std::string key, std::string tag, Image picture) {
  Require(Property::Images);
  for (const auto& image : state_.images) {
    if (image.key == key) {
      Fail(kErrKeyNotUnique,
           "Der Schlüssel '" + key + "' ist in der Bilderliste '" + name_ + "' schon vergeben.");
    }
  }
  state_.images.push_back({std::move(key), std::move(tag), std::move(picture)});
  Notify(Property::Images);
}

const std::vector<ListImage>& Control::Images() const {
  Require(Property::Images);
  return state_.images;
}

const ListImage& Control::FindImage(std::string_view key) const {
  Require(Property::Images);
  for (const auto& image : state_.images) {
    if (image.key == key) return image;
  }
  Fail(kErrInvalidIndex,
       "Die Bilderliste '" + name_ + "' enthält kein Bild '" + std::string(key) + "'.");
}

}  // namespace kx::forms
