# Form files: the JSON library the reader and writer in
# src/properties/form_file.cpp are built on.
find_package(nlohmann_json 3.10 REQUIRED)
target_link_libraries(korvane PRIVATE nlohmann_json::nlohmann_json)
