#pragma once
// The stored form of each card face: its file kind and its size in pixels.
// Shared by the picture lookup and by make_assets, which writes the files.
#include <array>

namespace assets::detail {

struct FaceFile {
    int width;
    int height;
    bool jpeg;  // JPEG when true, 24-bit BMP otherwise
};

// Face n (1-based) is faceFiles[n - 1]; there is one for each face of the game's library.
inline constexpr auto faceFiles = std::to_array<FaceFile>({
    {116, 116, false}, {116, 116, false}, {116, 116, false}, {116, 116, false},  //  1- 4
    {116, 116, false}, {116, 116, false}, {116, 116, false}, {116, 116, false},  //  5- 8
    {116, 116, false}, {116, 116, false}, {116, 116, false}, {116, 116, false},  //  9-12
    {116, 116, true},  {149, 187, true},  {116, 116, false}, {116, 116, false},  // 13-16
    {116, 116, false}, {300, 300, true},  {160, 150, true},  {300, 256, true},   // 17-20
    {116, 116, false}, {116, 116, false}, {116, 116, false}, {116, 116, true},   // 21-24
    {116, 116, false}, {128, 123, true},  {566, 565, true},  {800, 600, true},   // 25-28
    {116, 116, true},  {300, 249, true},  {200, 133, true},  {116, 116, false},  // 29-32
    {348, 241, true},  {116, 116, false}, {116, 116, false}, {57, 57, false},    // 33-36
    {116, 116, false}, {116, 116, false}, {99, 94, true},    {116, 116, false},  // 37-40
});

}  // namespace assets::detail
