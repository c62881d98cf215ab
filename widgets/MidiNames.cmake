# The note and controller name tables: Qt Core only, so they live in
# velmora_core although they sit with the widgets that show them. Included
# both from filter/ and from widgets/; the guard keeps the sources single.
include_guard(GLOBAL)
target_sources(velmora_core PRIVATE
    ${PROJECT_SOURCE_DIR}/widgets/midinames.cpp
    ${PROJECT_SOURCE_DIR}/widgets/midinames.h
)
