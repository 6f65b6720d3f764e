#pragma once

// How a body's simple and complex collision answer queries. A plain enum, as in the engine, so that the
// bare names compile.
enum ECollisionTraceFlag : int
{
	// Use the project's default.
	CTF_UseDefault,
	// Simple shapes answer simple queries, the triangles answer complex ones.
	CTF_UseSimpleAndComplex,
	// Simple shapes answer every query.
	CTF_UseSimpleAsComplex,
	// The triangles answer every query, simple ones included.
	CTF_UseComplexAsSimple,
	CTF_MAX,
};
