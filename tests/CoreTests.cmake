# The tests of what every system has: the Linux build (tests/CMakeLists.txt)
# and the Windows build (tests/windows/Tests.cmake) both run them, each with
# the tests of its own system's parts beside.
set(VARNISK_CORE_TESTS
  form/FormTest.cpp
  form/CodePageTest.cpp
  numeric/NumbersTest.cpp
  gamedata/FieldSheetTest.cpp
  gamedata/ImportAllTest.cpp
  gamedata/DamagedFilesTest.cpp
  gamedata/ExportAllTest.cpp
  gamedata/JournalTest.cpp
  gamedata/GameCodecsTest.cpp
  gamedata/ColourTest.cpp
  preview/ArchiveTest.cpp
  preview/ShapeFormatTest.cpp
  preview/TextureFormatsTest.cpp
  preview/TexturesTest.cpp
  preview/ShapeLoaderTest.cpp
  preview/SceneTest.cpp
  preview/PartsTest.cpp
  preview/MeshesTest.cpp
  editing/MouseActionsTest.cpp
  editing/PreviewFeedTest.cpp
  editing/DefaultsTest.cpp
  editing/TeamOperationsTest.cpp
  datasets/DataSetFormatsTest.cpp
  datasets/SaveWindowTest.cpp
  datasets/LoadDataSetTest.cpp
  core/EditorTest.cpp
  core/HistoryTest.cpp
  cli/ScriptTest.cpp
  cli/CliTest.cpp
  cli/DumpTest.cpp
  platform/GameFilesTest.cpp
  tools/GameGeneratorTest.cpp
  tools/TextureImagesTest.cpp
)
