// The page engine's layout and its state after construction.
#include "pageengine.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

namespace {

static_assert(std::is_standard_layout<PageEngine>::value, "fields are laid out in declaration order");
static_assert(!std::is_polymorphic<PageEngine>::value, "no virtual operations");

// The four counters, then the 72 control pointers as one block in their
// order, then the two records, the dialog procedure and the test state.
TEST(PageEngineLayout, FieldsLieInTheirOrderWithTheirWidths) {
  constexpr size_t cbPtr = sizeof(SkinControl*);
  EXPECT_EQ(offsetof(PageEngine, m_dwCapturedKey), 0u);
  EXPECT_EQ(offsetof(PageEngine, m_nSetting), 4u);
  EXPECT_EQ(offsetof(PageEngine, m_dwAxisCount), 8u);
  EXPECT_EQ(offsetof(PageEngine, m_dwButtonCount), 12u);
  EXPECT_EQ(sizeof(PageEngine::m_nSetting), 4u);

  const size_t first = offsetof(PageEngine, m_pTestBack);
  EXPECT_EQ(first, 16u);
  EXPECT_EQ(offsetof(PageEngine, m_pHat), first + 9 * cbPtr);
  EXPECT_EQ(offsetof(PageEngine, m_pPowerCursor), first + 24 * cbPtr);
  EXPECT_EQ(offsetof(PageEngine, m_pAboutBack), first + 35 * cbPtr);
  EXPECT_EQ(offsetof(PageEngine, m_pButtonImage), first + 36 * cbPtr);
  EXPECT_EQ(offsetof(PageEngine, m_pButtonLamp), first + 48 * cbPtr);
  EXPECT_EQ(offsetof(PageEngine, m_pSetButton), first + 60 * cbPtr);
  EXPECT_EQ(offsetof(PageEngine, m_Settings), first + kPageControlCount * cbPtr);
  EXPECT_EQ(offsetof(PageEngine, m_SavedSettings), offsetof(PageEngine, m_Settings) + 112);
  EXPECT_EQ(offsetof(PageEngine, m_pfnKeyCapture), offsetof(PageEngine, m_SavedSettings) + 112);

  EXPECT_LT(offsetof(PageEngine, m_pfnKeyCapture), offsetof(PageEngine, m_bPowerDrag));
  EXPECT_EQ(offsetof(PageEngine, m_bTimeDrag), offsetof(PageEngine, m_bPowerDrag) + 1);
  EXPECT_LT(offsetof(PageEngine, m_bTimeDrag), offsetof(PageEngine, m_dwLeftRunTime));
  EXPECT_LT(offsetof(PageEngine, m_dwRightRunTime), offsetof(PageEngine, m_bPausePhase));
  EXPECT_LT(offsetof(PageEngine, m_bPausePhase), offsetof(PageEngine, m_dwLeftStartTick));
  EXPECT_EQ(offsetof(PageEngine, m_dwRightStartTick), offsetof(PageEngine, m_dwLeftStartTick) + 4);
  EXPECT_EQ(offsetof(PageEngine, m_dwCheckStep), offsetof(PageEngine, m_dwRightStartTick) + 4);
  EXPECT_EQ(offsetof(PageEngine, m_dwCheckCalib), offsetof(PageEngine, m_dwCheckStep) + 4);
  EXPECT_EQ(offsetof(PageEngine, m_bCheckCentre), offsetof(PageEngine, m_dwCheckCalib) + 20);
  EXPECT_EQ(sizeof(PageEngine::m_bPausePhase), 1u);
  EXPECT_EQ(sizeof(PageEngine::m_bCheckCentre), 1u);
}

// Construction over dirty storage: every field the constructor owns is
// reset, whatever the memory held before.
TEST(PageEngineConstruction, StartsEmptyWithTheKeyCaptureProcedure) {
  alignas(PageEngine) unsigned char storage[sizeof(PageEngine)];
  std::memset(storage, 0xCD, sizeof storage);
  PageEngine* pEngine = new (storage) PageEngine();

  EXPECT_EQ(pEngine->m_nSetting, 0u);
  EXPECT_EQ(pEngine->m_dwAxisCount, 0u);
  EXPECT_EQ(pEngine->m_dwButtonCount, 0u);
  SkinControl* const* apControl = &pEngine->m_pTestBack;
  for (int i = 0; i < kPageControlCount; ++i) EXPECT_EQ(apControl[i], nullptr) << "control " << i;
  const SettingsRecord zero{};
  EXPECT_EQ(std::memcmp(&pEngine->m_Settings, &zero, sizeof zero), 0);
  EXPECT_EQ(std::memcmp(&pEngine->m_SavedSettings, &zero, sizeof zero), 0);
  EXPECT_EQ(pEngine->m_pfnKeyCapture, &KeyCaptureProc);
  EXPECT_EQ(pEngine->m_dwLeftRunTime, 0u);
  EXPECT_EQ(pEngine->m_dwCheckStep, 0u);
  EXPECT_EQ(pEngine->m_bCheckCentre, 0u);
  pEngine->~PageEngine();
}

}  // namespace
