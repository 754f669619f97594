#pragma once

class CItemStep;

// A REGISTRY item: one write or delete through the registry writer.
class CRegistryItemProcessor {
 public:
  // Failures keep -9003 in the item.
  void Process(CItemStep& step) const;
};
