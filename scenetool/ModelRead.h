// Reading a model file with the Open Asset Import Library: the steps that
// turn it into triangles with normals and plain texture coordinates, and
// the repairs that let well-meant files through its validation.
#pragma once

#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <functional>

class ImportProgress;

// Readies `importer` for a model: points and lines dropped, multi-part
// Quake 3 players read part by part, progress reported to `progress`, and
// the files it opens regular files only (see RegularFileIO).
void prepareImporter(Assimp::Importer& importer, ImportProgress& progress);

// The model `read` gives (it calls the importer's ReadFile or
// ReadFileFromMemory with the post-processing flags it is handed), validated
// and post-processed; null when it cannot be read, with the importer's error
// string saying why. Some exporters (Blender's B3D, as games ship it) key an
// animation one frame past the duration they state: such a model is read
// again without the steps, its animations' durations stretched to their
// last keys, and then validated and post-processed.
const aiScene* readModel(Assimp::Importer& importer,
                         const std::function<const aiScene*(unsigned steps)>& read);
