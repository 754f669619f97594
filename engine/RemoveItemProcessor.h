#pragma once

class CItemStep;

// A REMOVE item: deletes the file at the item's target path.
class CRemoveItemProcessor {
 public:
  // A failure keeps the delete's code in the item.
  void Process(CItemStep& step) const;
};
