# GDI: text through FreeType, window surfaces written as PNG through libpng.
find_package(Freetype REQUIRED)
find_package(PNG REQUIRED)
target_link_libraries(qjplat PRIVATE Freetype::Freetype PNG::PNG)
