#!/bin/sh
# Writes small seed inputs for the mesh import and groom record fuzzers into DIR/mesh and DIR/json.
# A mesh seed's first byte picks the extension the fuzzer gives the file (o obj, p ply, s stl, g gltf,
# n off, ...); the rest is the file.
# Usage: Fuzz/make_seeds.sh DIR
set -eu
DIR="$1"
mkdir -p "$DIR/mesh" "$DIR/json"
M="$DIR/mesh"
J="$DIR/json"

printf 'ov 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 1 3 4\nf 1 4 2\no second\ng part\nf 2 4 3\n' >"$M/tetra.obj"
printf 'ov 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nvt 0 0\nf 1/1/1 2/1/1 3/1/1 4/1/1\nl 1 3\np 2\n' >"$M/quad.obj"
printf 'pply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n' >"$M/triangle.ply"
printf 'ssolid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\nendsolid t\n' >"$M/triangle.stl"
printf 'nOFF\n4 2 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n3 0 1 2\n3 0 2 3\n' >"$M/square.off"
# A triangle in an embedded buffer, under a node with a child that holds it again.
printf 'g{"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0,"children":[1]},{"mesh":0,"translation":[0,0,1]}],"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}],"bufferViews":[{"buffer":0,"byteLength":36}],"buffers":[{"byteLength":36,"uri":"data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}]}' >"$M/nodes.gltf"

printf '{"positions":[0,0,0,0,0,1,1,0,0,1,0,1],"vertexCounts":[2,2],"widths":[0.1,0.1,0.1,0.1],"groomColors":[0.5,0.25,0.125,0.5,0.25,0.125],"surfaceNormals":[0,0,1,0,0,1]}' >"$J/two_strands.json"
printf '{"positions":[1.5e-45,-0,3.4028235e38],"vertexCounts":[1],"log":["x"],"stderr":[]}' >"$J/edges.json"
printf '{"vertexCounts":[2147483647,-2147483648]}' >"$J/counts.json"
printf '{}' >"$J/empty.json"
