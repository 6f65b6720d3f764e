#include "GroomPrepare.h"

#include "GroomFitting.h"
#include "SafeText.h"

#include "CoreMinimal.h"

// Alembic's headers include <Windows.h> on Windows; the engine's own Alembic users wrap them so.
#if PLATFORM_WINDOWS
#include "Windows/AllowWindowsPlatformTypes.h"
#endif
THIRD_PARTY_INCLUDES_START
#include <Alembic/AbcCoreFactory/All.h>
#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>
THIRD_PARTY_INCLUDES_END
#if PLATFORM_WINDOWS
#include "Windows/WindowsHWrapper.h"
#include "Windows/HideWindowsPlatformTypes.h"
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace GroomPrepare
{
	namespace
	{
		using Alembic::Abc::ISampleSelector;

		// Deeper than this, releasing an object's handle releases its ancestors in as many nested calls
		// (see the groom reader); the preparation refuses such a file rather than risk the stack.
		constexpr size_t MaxPrepareDepth = 1000;

		// Row vectors, as Alembic's matrices: p' = p * M.
		struct FPrepareMatrix
		{
			double M[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

			FPrepareMatrix Then(const FPrepareMatrix& Next) const
			{
				FPrepareMatrix Result;
				for (int Row = 0; Row < 4; ++Row)
				{
					for (int Column = 0; Column < 4; ++Column)
					{
						double Sum = 0.0;
						for (int K = 0; K < 4; ++K)
						{
							Sum += M[Row][K] * Next.M[K][Column];
						}
						Result.M[Row][Column] = Sum;
					}
				}
				return Result;
			}

			bool IsIdentity() const
			{
				for (int Row = 0; Row < 4; ++Row)
				{
					for (int Column = 0; Column < 4; ++Column)
					{
						if (M[Row][Column] != (Row == Column ? 1.0 : 0.0))
						{
							return false;
						}
					}
				}
				return true;
			}

			// The cofactors of the upper 3x3 block: a normal n goes to n * C / det, the inverse transpose.
			void Cofactors(double OutC[3][3]) const
			{
				for (int Row = 0; Row < 3; ++Row)
				{
					for (int Column = 0; Column < 3; ++Column)
					{
						const int R0 = (Row + 1) % 3;
						const int R1 = (Row + 2) % 3;
						const int C0 = (Column + 1) % 3;
						const int C1 = (Column + 2) % 3;
						OutC[Row][Column] = M[R0][C0] * M[R1][C1] - M[R0][C1] * M[R1][C0];
					}
				}
			}

			double Determinant3() const
			{
				double C[3][3];
				Cofactors(C);
				return M[0][0] * C[0][0] + M[0][1] * C[0][1] + M[0][2] * C[0][2];
			}
		};

		// What the traversal knows of an object's place: its world matrix and the levels (the top's
		// children at 1) of the Xforms that made it; their paths are prefixes of the object's own.
		struct FPlacement
		{
			FPrepareMatrix World;
			std::vector<size_t> TransformLevels;
		};

		// The report names at most this many of an object's transforms, the nearest ones.
		constexpr size_t MaxNamedTransforms = 32;

		enum class EPrepareLayout : uint8_t
		{
			None,
			Constant,
			PerStrand,
			PerPoint,
		};

		// One attribute of one object: Extent floats per value, laid out as Layout says.
		struct FPrepareAttribute
		{
			EPrepareLayout Layout = EPrepareLayout::None;
			std::vector<float> Values;
			std::string Source;
			std::string Scope;
			// How the file laid the values out, before normals were reduced to one per strand.
			EPrepareLayout SourceLayout = EPrepareLayout::None;
			// What widths were multiplied by.
			double Factor = 1.0;
		};

		struct FObjectGroom
		{
			std::string Path;
			std::vector<float> Positions;
			std::vector<int32_t> Counts;
			FPrepareAttribute Colours;
			// Always one per strand once read.
			FPrepareAttribute Normals;
			FPrepareAttribute Widths;
			// One per strand (or one for the object) once read: each strand's first uv.
			FPrepareAttribute RootUVs;
		};

		struct FPrepareFailure
		{
			std::string Reason;
		};

		[[noreturn]] void PrepareRefuse(std::string Reason)
		{
			throw FPrepareFailure{std::move(Reason)};
		}

		std::filesystem::path PrepareFileSystemPath(const std::string& Utf8Path)
		{
			return std::filesystem::path(std::u8string(Utf8Path.begin(), Utf8Path.end()));
		}

		std::string PrepareNumber(double Value)
		{
			std::ostringstream Out;
			Out.precision(7);
			Out << Value;
			return Out.str();
		}

		const char* ScopeName(Alembic::AbcGeom::GeometryScope Scope)
		{
			switch (Scope)
			{
				case Alembic::AbcGeom::kConstantScope:
					return "constant";
				case Alembic::AbcGeom::kUniformScope:
					return "uniform";
				case Alembic::AbcGeom::kVaryingScope:
					return "varying";
				case Alembic::AbcGeom::kVertexScope:
					return "vertex";
				case Alembic::AbcGeom::kFacevaryingScope:
					return "facevarying";
				default:
					return "unknown";
			}
		}

		const char* LayoutName(EPrepareLayout Layout)
		{
			switch (Layout)
			{
				case EPrepareLayout::Constant:
					return "one for the object";
				case EPrepareLayout::PerStrand:
					return "per strand";
				case EPrepareLayout::PerPoint:
					return "per point";
				default:
					return "none";
			}
		}

		std::string CurveTypeName(uint8_t Type)
		{
			switch (Type)
			{
				case Alembic::AbcGeom::kCubic:
					return "cubic";
				case Alembic::AbcGeom::kLinear:
					return "linear";
				case Alembic::AbcGeom::kVariableOrder:
					return "variable order";
				default:
					return "type " + std::to_string(Type);
			}
		}

		std::string BasisName(uint8_t Basis)
		{
			switch (Basis)
			{
				case Alembic::AbcGeom::kNoBasis:
					return "no basis";
				case Alembic::AbcGeom::kBezierBasis:
					return "bezier";
				case Alembic::AbcGeom::kBsplineBasis:
					return "b-spline";
				case Alembic::AbcGeom::kCatmullromBasis:
					return "catmull-rom";
				case Alembic::AbcGeom::kHermiteBasis:
					return "hermite";
				case Alembic::AbcGeom::kPowerBasis:
					return "power";
				default:
					return "basis " + std::to_string(Basis);
			}
		}

		// The file being read, for a look at a sample's slots before Alembic reads them (null outside a read).
		thread_local FGroomFileLayout* PrepareLayout = nullptr;

		// Gives the read of one file its layout, for as long as the read lasts.
		class FScopedPrepareLayout
		{
		public:
			explicit FScopedPrepareLayout(const std::string& SourcePath)
			{
				Layout.Open(SourcePath);
				PrepareLayout = &Layout;
			}
			~FScopedPrepareLayout() { PrepareLayout = nullptr; }
			FScopedPrepareLayout(const FScopedPrepareLayout&) = delete;
			FScopedPrepareLayout& operator=(const FScopedPrepareLayout&) = delete;

		private:
			FGroomFileLayout Layout;
		};

		// Alembic 1.8.6 reads even a sample's dimensions through slots it does not check (see the reader).
		void PrepareCheckArraySlots(const Alembic::Abc::IArrayProperty& Property, const ISampleSelector& Selector)
		{
			const std::string Problem = PrepareLayout ? PrepareLayout->FindArraySampleProblem(Property, Selector) : std::string("cannot be looked at");
			if (!Problem.empty())
			{
				PrepareRefuse("the sample of " + Property.getName() + " " + Problem + " (a damaged file)");
			}
		}

		// A damaged file's sample dimensions can claim far more than its data block holds, and Alembic 1.8.6
		// allocates what they claim; every array is checked against its block before it is read.
		void PrepareCheckArrayShape(const Alembic::Abc::IArrayProperty& Property, const ISampleSelector& Selector)
		{
			if (!Property.valid() || Property.getNumSamples() == 0)
			{
				return;
			}
			PrepareCheckArraySlots(Property, Selector);
			Alembic::Util::Dimensions Dimensions;
			Property.getDimensions(Dimensions, Selector);
			Alembic::AbcCoreAbstract::ArraySampleKey Key;
			Property.getKey(Key, Selector);
			const std::string Problem = DescribeSampleShapeProblem(Dimensions, Property.getDataType().getNumBytes(), Key.numBytes);
			if (!Problem.empty())
			{
				PrepareRefuse("the sample of " + Property.getName() + " " + Problem + " (a damaged file)");
			}
		}

		// A curves sample's type, wrap and basis bytes as the file holds them.
		struct FCurveKind
		{
			uint8_t Type = Alembic::AbcGeom::kCubic;
			uint8_t Wrap = Alembic::AbcGeom::kNonPeriodic;
			uint8_t Basis = Alembic::AbcGeom::kBezierBasis;

			std::string WrapName() const { return Wrap == Alembic::AbcGeom::kPeriodic ? "periodic" : "non-periodic"; }
		};

		// Alembic 1.8.6 reads a curves sample's type, wrap and basis into four bytes, whatever size the
		// file says the value has, and casts each byte to its enum: a damaged byte gives a value outside
		// the enum's range, which is undefined to load. The bytes are read here and named as numbers.
		FCurveKind PrepareReadCurveKind(const Alembic::AbcGeom::ICurvesSchema& Schema, const ISampleSelector& Selector, const std::string& Path)
		{
			FCurveKind Kind;
			const Alembic::Abc::PropertyHeader* const Header = Schema.getPropertyHeader("curveBasisAndType");
			if (!Header)
			{
				return Kind;
			}
			if (!Header->isScalar() || Header->getDataType().getPod() != Alembic::Util::kUint8POD || Header->getDataType().getExtent() != 4)
			{
				PrepareRefuse(SafeText::ShortPath(Path) + ": its curve type is damaged");
			}
			const Alembic::Abc::IScalarProperty Property(Schema, "curveBasisAndType");
			if (Property.getNumSamples() == 0)
			{
				return Kind;
			}
			uint8_t Bytes[4] = {};
			Property.get(Bytes, Selector);
			Kind.Type = Bytes[0];
			Kind.Wrap = Bytes[1];
			Kind.Basis = Bytes[2];
			return Kind;
		}

		// Alembic 1.8.6 takes an Xform as stored. Opening it reads the op codes and the last sample of the
		// animated channels, into a buffer sized by their stored dimensions that their whole data block is
		// copied into; reading a sample indexes the values by channel without a bound, and of an array of
		// values it copies one per point, whatever the extent. So an unknown op, animated channels whose
		// dimensions disagree with their data, or values that are empty, of more than one component or
		// fewer than the ops have channels make it read or write past what it holds. Checked before the
		// Xform is opened, for the sample of values that Selector reads.
		void PrepareCheckXformShape(const Alembic::Abc::IObject& Object, const ISampleSelector& Selector)
		{
			const Alembic::Abc::ICompoundProperty Properties = Object.getProperties();
			const Alembic::Abc::PropertyHeader* const SchemaHeader = Properties.getPropertyHeader(".xform");
			if (!SchemaHeader || !SchemaHeader->isCompound())
			{
				// Opening it fails in the library's own words.
				return;
			}
			const std::string Damaged = Object.getFullName() + ": its transform is damaged";
			// Its arrays are checked as every array is; a damaged one is a damaged transform.
			const auto CheckArray = [&Damaged](const Alembic::Abc::IArrayProperty& Property, const ISampleSelector& Sample)
			{
				try
				{
					PrepareCheckArrayShape(Property, Sample);
				}
				catch (const FPrepareFailure&)
				{
					PrepareRefuse(Damaged);
				}
			};
			const Alembic::Abc::ICompoundProperty Schema(Properties, ".xform");
			size_t Channels = 0;
			if (const Alembic::Abc::PropertyHeader* const Ops = Schema.getPropertyHeader(".ops"))
			{
				if (!Ops->isScalar() || Ops->getDataType().getPod() != Alembic::Util::kUint8POD)
				{
					PrepareRefuse(Damaged);
				}
				const Alembic::Abc::IScalarProperty OpsProperty(Schema, ".ops");
				if (OpsProperty.getNumSamples() > 0)
				{
					std::vector<uint8_t> Codes(Ops->getDataType().getExtent());
					OpsProperty.get(Codes.data(), ISampleSelector(Alembic::Abc::index_t(0)));
					for (const uint8_t Code : Codes)
					{
						if ((Code >> 4) > Alembic::AbcGeom::kRotateZOperation)
						{
							PrepareRefuse(Damaged);
						}
						Channels += Alembic::AbcGeom::XformOp(Code).getNumChannels();
					}
				}
			}
			if (const Alembic::Abc::PropertyHeader* const AnimatedChannels = Schema.getPropertyHeader(".animChans"))
			{
				if (!AnimatedChannels->isArray() || AnimatedChannels->getDataType().getPod() != Alembic::Util::kUint32POD ||
				    AnimatedChannels->getDataType().getExtent() != 1)
				{
					PrepareRefuse(Damaged);
				}
				const Alembic::Abc::IArrayProperty AnimatedProperty(Schema, ".animChans");
				if (AnimatedProperty.getNumSamples() > 0)
				{
					CheckArray(AnimatedProperty, ISampleSelector(static_cast<Alembic::Abc::index_t>(AnimatedProperty.getNumSamples() - 1)));
				}
			}
			if (const Alembic::Abc::PropertyHeader* const Vals = Schema.getPropertyHeader(".vals"))
			{
				if (Vals->isCompound() || Vals->getDataType().getPod() != Alembic::Util::kFloat64POD)
				{
					PrepareRefuse(Damaged);
				}
				if (Vals->isScalar())
				{
					if (Vals->getDataType().getExtent() < Channels)
					{
						PrepareRefuse(Damaged);
					}
					return;
				}
				if (Vals->getDataType().getExtent() != 1)
				{
					PrepareRefuse(Damaged);
				}
				const Alembic::Abc::IArrayProperty ValsProperty(Schema, ".vals");
				if (ValsProperty.getNumSamples() == 0)
				{
					// Nothing is read.
					return;
				}
				CheckArray(ValsProperty, Selector);
				Alembic::Util::Dimensions Dimensions;
				ValsProperty.getDimensions(Dimensions, Selector);
				const size_t Values = Dimensions.numPoints();
				if (Values == 0 || Values < Channels)
				{
					PrepareRefuse(Damaged);
				}
			}
		}

		// The values of a geometry parameter with its indices resolved, each index checked (Alembic 1.8.6
		// reads wherever a damaged index points), as floats, Extent per value.
		template<typename TRAITS>
		std::vector<float> ReadPrepareParam(Alembic::AbcGeom::ITypedGeomParam<TRAITS> Param, const ISampleSelector& Selector, size_t Extent)
		{
			using FValue = typename TRAITS::value_type;
			static_assert(sizeof(FValue) % sizeof(float) == 0, "float components");
			PrepareCheckArrayShape(Param.getValueProperty(), Selector);
			const auto Values = Param.getValueProperty().getValue(Selector);
			const size_t ValueCount = Values ? Values->size() : 0;
			const float* const Floats = ValueCount > 0 ? reinterpret_cast<const float*>(Values->get()) : nullptr;
			std::vector<float> Result;
			if (Param.isIndexed())
			{
				PrepareCheckArrayShape(Param.getIndexProperty(), Selector);
				const Alembic::Abc::UInt32ArraySamplePtr Indices = Param.getIndexProperty().getValue(Selector);
				if (Indices && Indices->size() > 0)
				{
					Result.reserve(Indices->size() * Extent);
					for (size_t I = 0; I < Indices->size(); ++I)
					{
						const uint32_t Index = (*Indices)[I];
						if (Index >= ValueCount)
						{
							PrepareRefuse("index " + std::to_string(Index) + " of " + Param.getName() + " is past its " + std::to_string(ValueCount) + " values (a damaged file)");
						}
						Result.insert(Result.end(), Floats + Index * Extent, Floats + (Index + 1) * Extent);
					}
					return Result;
				}
			}
			if (Floats)
			{
				Result.assign(Floats, Floats + ValueCount * Extent);
			}
			return Result;
		}

		// How Count values sit on an object of Strands strands and Points points.
		EPrepareLayout LayoutOf(size_t Count, int64_t Strands, int64_t Points)
		{
			if (Count == static_cast<size_t>(Strands))
			{
				return EPrepareLayout::PerStrand;
			}
			if (Count == static_cast<size_t>(Points))
			{
				return EPrepareLayout::PerPoint;
			}
			if (Count == 1)
			{
				return EPrepareLayout::Constant;
			}
			return EPrepareLayout::None;
		}

		// A triple-valued parameter read as colours or normals, if its type is one of the three-float ones.
		bool ReadTripleParam(const Alembic::Abc::ICompoundProperty& Parent, const Alembic::Abc::PropertyHeader& Header, const ISampleSelector& Selector,
		                     std::vector<float>& OutValues)
		{
			using namespace Alembic::AbcGeom;
			if (IC3fGeomParam::matches(Header))
			{
				IC3fGeomParam Param(Parent, Header.getName());
				OutValues = Param.getNumSamples() > 0 ? ReadPrepareParam(Param, Selector, 3) : std::vector<float>();
				return true;
			}
			if (IV3fGeomParam::matches(Header))
			{
				IV3fGeomParam Param(Parent, Header.getName());
				OutValues = Param.getNumSamples() > 0 ? ReadPrepareParam(Param, Selector, 3) : std::vector<float>();
				return true;
			}
			if (IN3fGeomParam::matches(Header))
			{
				IN3fGeomParam Param(Parent, Header.getName());
				OutValues = Param.getNumSamples() > 0 ? ReadPrepareParam(Param, Selector, 3) : std::vector<float>();
				return true;
			}
			return false;
		}

		// "float32 x3 (rgb), vertex scope" for a parameter the groom has no place for.
		std::string DescribeParam(const Alembic::Abc::PropertyHeader& Header)
		{
			const Alembic::Abc::MetaData& MetaData = Header.getMetaData();
			std::string Type;
			if (Header.isCompound())
			{
				const std::string Pod = MetaData.get("podName");
				Type = (Pod.empty() ? std::string("compound") : Pod + " x" + (MetaData.get("podExtent").empty() ? std::string("1") : MetaData.get("podExtent"))) +
				       (Pod.empty() ? "" : ", indexed");
			}
			else
			{
				const Alembic::AbcCoreAbstract::DataType DataType = Header.getDataType();
				Type = std::string(Alembic::Util::PODName(DataType.getPod())) + " x" + std::to_string(static_cast<int>(DataType.getExtent())) +
				       (Header.isScalar() ? ", scalar" : "");
			}
			const std::string Interpretation = MetaData.get("interpretation");
			if (!Interpretation.empty())
			{
				Type += " (" + Interpretation + ")";
			}
			return Type + ", " + ScopeName(Alembic::AbcGeom::GetGeometryScope(MetaData)) + " scope";
		}

		// Visits every object below the top in pre-order with its placement. Objects are let go deepest
		// first, so no release takes a chain of ancestors with it, and a file whose objects nest in a loop
		// or too deep is refused. Xforms are read at Time when bTransforms.
		void VisitObjects(const Alembic::Abc::IObject& Top, uint64_t MaxObjects, bool bTransforms, double Time,
		                  const std::function<void(const Alembic::Abc::IObject&, const FPlacement&)>& Visit)
		{
			struct FLevel
			{
				Alembic::Abc::IObject Object;
				size_t NextChild = 0;
				FPlacement Placement;
			};
			std::vector<FLevel> Levels;
			struct FReleaseDeepestFirst
			{
				std::vector<FLevel>& Stack;
				~FReleaseDeepestFirst()
				{
					while (!Stack.empty())
					{
						Stack.pop_back();
					}
				}
			} Release{Levels};
			Levels.push_back({Top, 0, FPlacement()});
			uint64_t Objects = 1;
			while (!Levels.empty())
			{
				FLevel& Level = Levels.back();
				if (Level.NextChild >= Level.Object.getNumChildren())
				{
					Levels.pop_back();
					continue;
				}
				Alembic::Abc::IObject Child = Level.Object.getChild(Level.NextChild++);
				if (++Objects > MaxObjects)
				{
					PrepareRefuse("its objects nest in a loop (a damaged file)");
				}
				if (Levels.size() > MaxPrepareDepth)
				{
					PrepareRefuse("its objects nest more than " + std::to_string(MaxPrepareDepth) + " levels deep");
				}
				FPlacement Placement = Level.Placement;
				if (bTransforms && Alembic::AbcGeom::IXform::matches(Child.getMetaData()))
				{
					PrepareCheckXformShape(Child, ISampleSelector(Time));
					const Alembic::AbcGeom::IXform Xform(Child, Alembic::Abc::kWrapExisting);
					const Alembic::AbcGeom::IXformSchema& Schema = Xform.getSchema();
					if (Schema.getNumSamples() > 0)
					{
						const Alembic::AbcGeom::XformSample Sample = Schema.getValue(ISampleSelector(Time));
						const Alembic::Abc::M44d Matrix = Sample.getMatrix();
						FPrepareMatrix Local;
						for (int Row = 0; Row < 4; ++Row)
						{
							for (int Column = 0; Column < 4; ++Column)
							{
								Local.M[Row][Column] = Matrix[Row][Column];
							}
						}
						if (!Sample.getInheritsXforms())
						{
							Placement = FPlacement();
						}
						Placement.World = Local.Then(Placement.World);
						Placement.TransformLevels.push_back(Levels.size());
					}
				}
				Visit(Child, Placement);
				Levels.push_back({std::move(Child), 0, std::move(Placement)});
			}
		}

		// The transforms that place the object at Facts.Path, the nearest named: their paths are prefixes
		// of its own, found once, so naming them costs no more than the path itself.
		void DescribePlacement(const FPlacement& Placement, FObjectFacts& Facts)
		{
			Facts.TransformCount = static_cast<int32_t>(Placement.TransformLevels.size());
			Facts.bIdentityTransform = Placement.World.IsIdentity();
			if (Placement.TransformLevels.empty())
			{
				return;
			}
			// Ends[Level]: where the path of the ancestor at Level (the top's children at 1) ends.
			std::vector<size_t> Ends(1, 0);
			for (size_t Index = 1; Index < Facts.Path.size(); ++Index)
			{
				if (Facts.Path[Index] == '/')
				{
					Ends.push_back(Index);
				}
			}
			Ends.push_back(Facts.Path.size());
			size_t Bytes = 0;
			for (size_t I = Placement.TransformLevels.size(); I-- > 0 && Facts.Transforms.size() < MaxNamedTransforms;)
			{
				const size_t End = Ends[std::min(Placement.TransformLevels[I], Ends.size() - 1)];
				if (Bytes + End > MaxNamedTransformBytes)
				{
					break;
				}
				Bytes += End;
				Facts.Transforms.push_back(Facts.Path.substr(0, End));
			}
			std::reverse(Facts.Transforms.begin(), Facts.Transforms.end());
		}

		// The curves' type, basis and wrap.
		void DescribeCurveKind(const FCurveKind& CurveKind, FObjectFacts& Facts)
		{
			Facts.CurveType = CurveTypeName(CurveKind.Type);
			Facts.Basis = BasisName(CurveKind.Basis);
			Facts.Wrap = CurveKind.WrapName();
		}

		bool IsCurves(const Alembic::Abc::IObject& Object)
		{
			return Alembic::AbcGeom::ICurves::matches(Object.getMetaData(), Alembic::Abc::kStrictMatching);
		}

		// Whether Path is Selector or lies below it.
		bool IsAtOrBelow(const std::string& Path, const std::string& Selector)
		{
			if (Selector == "/")
			{
				return true;
			}
			return Path == Selector || (Path.size() > Selector.size() && Path.compare(0, Selector.size(), Selector) == 0 && Path[Selector.size()] == '/');
		}

		class FGroomPreparer
		{
		public:
			FGroomPreparer(const FPrepareOptions& InOptions, FPrepareReport& InReport)
			    : Options(InOptions), Report(InReport)
			{
			}

			void Read(const Alembic::Abc::IArchive& Archive, uint64_t MaxObjects)
			{
				Selectors.clear();
				for (const std::string& Path : Options.ObjectPaths)
				{
					std::string Selector = Path;
					while (Selector.size() > 1 && Selector.back() == '/')
					{
						Selector.pop_back();
					}
					if (Selector.empty() || Selector.front() != '/')
					{
						Selector.insert(Selector.begin(), '/');
					}
					Selectors.push_back({Path, Selector, false, false});
				}
				Survey(Archive, MaxObjects);
				VisitObjects(Archive.getTop(), MaxObjects, true, Report.Time,
				             [this](const Alembic::Abc::IObject& Object, const FPlacement& Placement)
				             {
					             if (IsCurves(Object) && IsPicked(Object.getFullName()))
					             {
						             ReadObject(Object, Placement);
					             }
				             });
			}

			void Merge(GroomData& OutGroom, std::vector<float>& OutRootUVs)
			{
				int64_t Points = 0;
				for (const FObjectGroom& Object : Groom)
				{
					OutGroom.positions.insert(OutGroom.positions.end(), Object.Positions.begin(), Object.Positions.end());
					OutGroom.vertexCounts.insert(OutGroom.vertexCounts.end(), Object.Counts.begin(), Object.Counts.end());
					Points += static_cast<int64_t>(Object.Positions.size() / 3);
				}
				if (Points > std::numeric_limits<int32_t>::max())
				{
					PrepareRefuse("the merged groom would hold " + std::to_string(Points) + " points, more than a groom holds (" +
					              std::to_string(std::numeric_limits<int32_t>::max()) + ")");
				}
				// The engine's groom import shows colours and widths only with one per point; the fit and the
				// picture take a normal per strand.
				OutGroom.groomColors = MergeAttribute(&FObjectGroom::Colours, EAttributeTarget::Colour, 3, EPrepareLayout::PerPoint);
				OutGroom.surfaceNormals = MergeAttribute(&FObjectGroom::Normals, EAttributeTarget::Normal, 3, EPrepareLayout::PerStrand);
				OutGroom.widths = MergeAttribute(&FObjectGroom::Widths, EAttributeTarget::Width, 1, EPrepareLayout::PerPoint);
				OutRootUVs = MergeAttribute(&FObjectGroom::RootUVs, EAttributeTarget::RootUV, 2, EPrepareLayout::PerStrand);
				Report.Strands = static_cast<int64_t>(OutGroom.vertexCounts.size());
				Report.Points = Points;
				Report.Colours = static_cast<int64_t>(OutGroom.groomColors.size() / 3);
				Report.Normals = static_cast<int64_t>(OutGroom.surfaceNormals.size() / 3);
				Report.Widths = static_cast<int64_t>(OutGroom.widths.size());
				Report.RootUVs = static_cast<int64_t>(OutRootUVs.size() / 2);
				MeasureBounds(OutGroom);
				Move(OutGroom);
			}

		private:
			void MeasureBounds(const GroomData& Merged)
			{
				for (size_t I = 0; I + 2 < Merged.positions.size(); I += 3)
				{
					for (size_t Axis = 0; Axis < 3; ++Axis)
					{
						const double Value = Merged.positions[I + Axis];
						Report.BoundsMin[Axis] = I == 0 ? Value : std::min(Report.BoundsMin[Axis], Value);
						Report.BoundsMax[Axis] = I == 0 ? Value : std::max(Report.BoundsMax[Axis], Value);
					}
				}
			}

			// Centring and translation, last: they place the groom in the units and axes it now has.
			void Move(GroomData& Merged)
			{
				for (size_t Axis = 0; Axis < 3; ++Axis)
				{
					const double Centre = Report.BoundsMin[Axis] * 0.5 + Report.BoundsMax[Axis] * 0.5;
					Report.Moved[Axis] = Options.Translation[Axis] - (Options.bCenter ? Centre : 0.0);
					if (!std::isfinite(Report.Moved[Axis]))
					{
						PrepareRefuse("the translation must be finite, not " + PrepareNumber(Options.Translation[Axis]));
					}
				}
				if (Report.Moved[0] == 0.0 && Report.Moved[1] == 0.0 && Report.Moved[2] == 0.0)
				{
					return;
				}
				for (size_t I = 0; I < Merged.positions.size(); ++I)
				{
					float& Value = Merged.positions[I];
					Value = static_cast<float>(Value + Report.Moved[I % 3]);
					if (!std::isfinite(Value))
					{
						PrepareRefuse("a point is not finite after moving by " + PrepareNumber(Report.Moved[I % 3]));
					}
				}
				// The bounds of what is written.
				for (size_t Axis = 0; Axis < 3; ++Axis)
				{
					Report.BoundsMin[Axis] = Report.BoundsMax[Axis] = 0.0;
				}
				MeasureBounds(Merged);
			}

			struct FSelector
			{
				std::string Given;
				std::string Path;
				bool bFound = false;
				bool bHasCurves = false;
			};

			bool IsPicked(const std::string& Path) const
			{
				if (Selectors.empty())
				{
					return true;
				}
				return std::any_of(Selectors.begin(), Selectors.end(), [&](const FSelector& Selector)
				                   { return IsAtOrBelow(Path, Selector.Path); });
			}

			// Finds the curves objects picked, checks the paths asked for and chooses the time to read.
			void Survey(const Alembic::Abc::IArchive& Archive, uint64_t MaxObjects)
			{
				size_t MostSamples = 0;
				std::string MostSampled;
				Alembic::AbcCoreAbstract::TimeSamplingPtr TimeSampling;
				size_t Picked = 0;
				VisitObjects(Archive.getTop(), MaxObjects, false, 0.0,
				             [&](const Alembic::Abc::IObject& Object, const FPlacement&)
				             {
					             const std::string Path = Object.getFullName();
					             const bool bCurves = IsCurves(Object);
					             const bool bPlain = SafeText::IsPlain(Path);
					             for (FSelector& Selector : Selectors)
					             {
						             // A name is asked for as it is shown, escaped; from here on it is matched as stored.
						             if (!Selector.bFound && !bPlain && SafeText::Escaped(Path) == Selector.Path)
						             {
							             Selector.Path = Path;
						             }
						             Selector.bFound = Selector.bFound || Path == Selector.Path;
						             Selector.bHasCurves = Selector.bHasCurves || (bCurves && IsAtOrBelow(Path, Selector.Path));
					             }
					             if (!bCurves || !IsPicked(Path))
					             {
						             return;
					             }
					             ++Picked;
					             const Alembic::AbcGeom::ICurves Curves(Object, Alembic::Abc::kWrapExisting);
					             const size_t Samples = Curves.getSchema().getNumSamples();
					             if (Samples == 0)
					             {
						             PrepareRefuse("the curves object " + SafeText::ShortPath(Path) + " holds no samples");
					             }
					             if (Samples > MostSamples)
					             {
						             MostSamples = Samples;
						             MostSampled = Path;
						             TimeSampling = Curves.getSchema().getTimeSampling();
					             }
				             });
				for (const FSelector& Selector : Selectors)
				{
					if (!Selector.bFound && Selector.Path != "/")
					{
						PrepareRefuse("no object " + Selector.Given + " in the file");
					}
					if (!Selector.bHasCurves)
					{
						PrepareRefuse("the object " + Selector.Given + " holds no curves object");
					}
				}
				if (Picked == 0)
				{
					PrepareRefuse("no curves object in the file");
				}
				if (Options.Frame < 0 || static_cast<size_t>(Options.Frame) >= MostSamples)
				{
					PrepareRefuse("frame " + std::to_string(Options.Frame) + " is out of range: " + SafeText::ShortPath(MostSampled) + " has " + std::to_string(MostSamples) +
					              (MostSamples == 1 ? " sample (frame 0)" : " samples (frames 0 to " + std::to_string(MostSamples - 1) + ")"));
				}
				Report.Frame = Options.Frame;
				Report.Time = TimeSampling ? TimeSampling->getSampleTime(static_cast<Alembic::AbcCoreAbstract::index_t>(Options.Frame)) : 0.0;
			}

			void Drop(const std::string& Path, EDropKind Kind, const std::string& Name, const std::string& Detail, const std::string& Line)
			{
				// A property already said to be dropped is said so once.
				const bool bSaid = !Name.empty() && std::any_of(Report.Dropped.begin(), Report.Dropped.end(), [&](const FDropped& Dropped)
				                                                { return Dropped.ObjectPath == Path && Dropped.Name == Name; });
				if (bSaid)
				{
					return;
				}
				Report.Dropped.push_back({Path, Kind, Name, Detail});
				Report.DroppedLines.push_back(Line);
			}

			// Positions and counts of one object, transformed; its attributes as the file holds them.
			void ReadObject(const Alembic::Abc::IObject& Object, const FPlacement& Placement)
			{
				const std::string Path = Object.getFullName();
				// How report lines name it: a deep object's whole path in each would grow with the depth.
				const std::string Shown = SafeText::ShortPath(Path);
				const Alembic::AbcGeom::ICurves Curves(Object, Alembic::Abc::kWrapExisting);
				const Alembic::AbcGeom::ICurvesSchema& Schema = Curves.getSchema();
				const ISampleSelector Selector(Report.Time);
				PrepareCheckArrayShape(Schema.getPositionsProperty(), Selector);
				PrepareCheckArrayShape(Schema.getNumVerticesProperty(), Selector);
				PrepareCheckArrayShape(Schema.getPositionWeightsProperty(), Selector);
				PrepareCheckArrayShape(Schema.getOrdersProperty(), Selector);
				PrepareCheckArrayShape(Schema.getKnotsProperty(), Selector);
				PrepareCheckArrayShape(Schema.getVelocitiesProperty(), Selector);
				const FCurveKind CurveKind = PrepareReadCurveKind(Schema, Selector, Path);
				const Alembic::AbcGeom::ICurvesSchema::Sample Sample = Schema.getValue(Selector);

				FObjectGroom Out;
				Out.Path = Path;
				const Alembic::Abc::P3fArraySamplePtr Positions = Sample.getPositions();
				const Alembic::Abc::Int32ArraySamplePtr Counts = Sample.getCurvesNumVertices();
				const size_t NumPoints = Positions ? Positions->size() : 0;
				int64_t Sum = 0;
				if (Counts)
				{
					for (size_t I = 0; I < Counts->size(); ++I)
					{
						const int32_t Count = (*Counts)[I];
						if (Count < 0)
						{
							PrepareRefuse(SafeText::ShortPath(Path) + ": strand " + std::to_string(I) + " has " + std::to_string(Count) + " points");
						}
						Sum += Count;
					}
					Out.Counts.assign(Counts->get(), Counts->get() + Counts->size());
				}
				if (Sum != static_cast<int64_t>(NumPoints))
				{
					PrepareRefuse(SafeText::ShortPath(Path) + ": its strand counts add up to " + std::to_string(Sum) + " points but it holds " + std::to_string(NumPoints));
				}
				const int64_t Strands = static_cast<int64_t>(Out.Counts.size());
				const int64_t Points = static_cast<int64_t>(NumPoints);

				const FPrepareMatrix& World = Placement.World;
				const double Scale = Options.Scale;
				Out.Positions.resize(3 * NumPoints);
				for (size_t I = 0; I < NumPoints; ++I)
				{
					const Alembic::Abc::V3f& P = (*Positions)[I];
					double W[3];
					for (int Column = 0; Column < 3; ++Column)
					{
						W[Column] = P.x * World.M[0][Column] + P.y * World.M[1][Column] + P.z * World.M[2][Column] + World.M[3][Column];
					}
					StoreTriple(Out.Positions, I, W, Scale, Path, "a point");
				}

				ReadColours(Schema, Selector, Strands, Points, Out);
				ReadNormals(Schema, Selector, World, Strands, Points, Out);
				ReadWidths(Schema, Selector, World, Strands, Points, Out);
				ReadRootUVs(Schema, Selector, Strands, Points, Out);

				FPreparedObject Prepared;
				Prepared.Path = Path;
				Prepared.Strands = Strands;
				Prepared.Points = Points;
				DescribeCurveKind(CurveKind, Prepared);
				DescribePlacement(Placement, Prepared);
				const size_t FirstNamed = Placement.TransformLevels.size() - Prepared.Transforms.size();
				std::copy(&World.M[0][0], &World.M[0][0] + 16, &Prepared.Matrix[0][0]);
				Prepared.Sample = static_cast<int64_t>(Schema.getTimeSampling()->getNearIndex(Report.Time, Schema.getNumSamples()).first);
				Report.DoneLines.push_back("merged " + Shown + ": " + std::to_string(Strands) + (Strands == 1 ? " strand, " : " strands, ") + std::to_string(Points) +
				                           (Points == 1 ? " point (" : " points (") + Prepared.CurveType +
				                           ", " + Prepared.Wrap + ", sample " + std::to_string(Prepared.Sample) + ")");
				std::string Chain = FirstNamed > 0 ? std::to_string(FirstNamed) + (Prepared.Transforms.empty() ? " transforms above it" : " more above, ") : std::string();
				for (size_t I = 0; I < Prepared.Transforms.size(); ++I)
				{
					Chain += (I == 0 ? "" : ", ") + Prepared.Transforms[I];
				}
				Report.DoneLines.push_back(Placement.TransformLevels.empty() ? "placed " + Shown + " as stored: no transform above it"
				                                                             : "applied to " + Shown + " the world transform of " + Chain +
				                                                                   (Prepared.bIdentityTransform ? " (the identity)" : ""));
				NoteDropped(Schema, Sample, CurveKind, Prepared, Out);
				Report.Objects.push_back(std::move(Prepared));
				Groom.push_back(std::move(Out));
			}

			// Up axis and scale after the world transform, stored in single precision.
			void StoreTriple(std::vector<float>& Values, size_t Index, const double World[3], double Scale, const std::string& Path, const char* What) const
			{
				const double X = World[0];
				const double Y = Options.bYUp ? -World[2] : World[1];
				const double Z = Options.bYUp ? World[1] : World[2];
				float* const Out = &Values[3 * Index];
				Out[0] = static_cast<float>(X * Scale);
				Out[1] = static_cast<float>(Y * Scale);
				Out[2] = static_cast<float>(Z * Scale);
				if (!std::isfinite(Out[0]) || !std::isfinite(Out[1]) || !std::isfinite(Out[2]))
				{
					PrepareRefuse(SafeText::ShortPath(Path) + ": " + What + " is not finite after the transform and scale");
				}
			}

			void ReadColours(const Alembic::AbcGeom::ICurvesSchema& Schema, const ISampleSelector& Selector, int64_t Strands, int64_t Points, FObjectGroom& Out)
			{
				const Alembic::Abc::ICompoundProperty Params = Schema.getArbGeomParams();
				if (!Params.valid())
				{
					return;
				}
				for (const char* const Name : {"groom_color", "Cd", "color", "Cs"})
				{
					const Alembic::Abc::PropertyHeader* const Header = Params.getPropertyHeader(Name);
					std::vector<float> Values;
					if (!Header || !ReadTripleParam(Params, *Header, Selector, Values))
					{
						continue;
					}
					const EPrepareLayout Layout = LayoutOf(Values.size() / 3, Strands, Points);
					const std::string Scope = ScopeName(Alembic::AbcGeom::GetGeometryScope(Header->getMetaData()));
					if (Layout == EPrepareLayout::None)
					{
						Drop(Out.Path, EDropKind::Attribute, Name, std::to_string(Values.size() / 3) + " values",
						     SafeText::ShortPath(Out.Path) + ": colours " + Name + " dropped: " + std::to_string(Values.size() / 3) + " values (" + Scope + " scope) for " +
						         std::to_string(Strands) + " strands of " + std::to_string(Points) + " points");
						continue;
					}
					for (const float Value : Values)
					{
						if (!std::isfinite(Value))
						{
							PrepareRefuse(SafeText::ShortPath(Out.Path) + ": a colour of " + Name + " is not finite");
						}
					}
					Out.Colours = {Layout, std::move(Values), Name, Scope, Layout};
					return;
				}
			}

			void ReadNormals(const Alembic::AbcGeom::ICurvesSchema& Schema, const ISampleSelector& Selector, const FPrepareMatrix& World, int64_t Strands,
			                 int64_t Points, FObjectGroom& Out)
			{
				std::vector<float> Values;
				std::string Source;
				std::string Scope;
				const Alembic::Abc::ICompoundProperty Params = Schema.getArbGeomParams();
				const Alembic::Abc::PropertyHeader* const Header = Params.valid() ? Params.getPropertyHeader("surface_normal") : nullptr;
				if (Header && ReadTripleParam(Params, *Header, Selector, Values))
				{
					Source = "surface_normal";
					Scope = ScopeName(Alembic::AbcGeom::GetGeometryScope(Header->getMetaData()));
				}
				else
				{
					Alembic::AbcGeom::IN3fGeomParam Normals = Schema.getNormalsParam();
					if (!Normals.valid() || Normals.getNumSamples() == 0)
					{
						return;
					}
					Values = ReadPrepareParam(Normals, Selector, 3);
					Source = "N";
					Scope = ScopeName(Normals.getScope());
				}
				const EPrepareLayout Layout = LayoutOf(Values.size() / 3, Strands, Points);
				if (Layout == EPrepareLayout::None)
				{
					Drop(Out.Path, EDropKind::Attribute, Source, std::to_string(Values.size() / 3) + " values",
					     SafeText::ShortPath(Out.Path) + ": normals " + Source + " dropped: " + std::to_string(Values.size() / 3) + " values (" + Scope + " scope) for " +
					         std::to_string(Strands) + " strands of " + std::to_string(Points) + " points");
					return;
				}
				// The inverse transpose, up to the determinant's size: the normals are made unit length after.
				double C[3][3];
				World.Cofactors(C);
				const double Determinant = World.M[0][0] * C[0][0] + World.M[0][1] * C[0][1] + World.M[0][2] * C[0][2];
				if (!(std::abs(Determinant) > 0.0) || !std::isfinite(Determinant))
				{
					PrepareRefuse(SafeText::ShortPath(Out.Path) + ": its transform is singular, so its normals cannot be turned with it");
				}
				const double Sign = Determinant < 0.0 ? -1.0 : 1.0;
				Out.Normals.Layout = EPrepareLayout::PerStrand;
				Out.Normals.Source = Source;
				Out.Normals.Scope = Scope;
				Out.Normals.SourceLayout = Layout;
				Out.Normals.Values.resize(3 * static_cast<size_t>(Strands));
				size_t Root = 0;
				for (size_t Strand = 0; Strand < static_cast<size_t>(Strands); ++Strand)
				{
					// Per point: the root's; a strand without points has no root and gets a zero normal.
					const size_t From = Layout == EPrepareLayout::Constant ? 0 : Layout == EPrepareLayout::PerStrand ? Strand
					                                                                                                 : Root;
					const bool bHasNormal = Layout != EPrepareLayout::PerPoint || Out.Counts[Strand] > 0;
					Root += static_cast<size_t>(Out.Counts[Strand]);
					double Turned[3] = {0.0, 0.0, 0.0};
					if (bHasNormal)
					{
						const float* const N = &Values[3 * From];
						for (int Column = 0; Column < 3; ++Column)
						{
							Turned[Column] = Sign * (N[0] * C[0][Column] + N[1] * C[1][Column] + N[2] * C[2][Column]);
						}
					}
					const double Length = std::sqrt(Turned[0] * Turned[0] + Turned[1] * Turned[1] + Turned[2] * Turned[2]);
					// A zero normal stays zero: there is no direction to keep.
					const double Unit = Length > 0.0 ? 1.0 / Length : 0.0;
					const double Normal[3] = {Turned[0] * Unit, Turned[1] * Unit, Turned[2] * Unit};
					StoreTriple(Out.Normals.Values, Strand, Normal, 1.0, Out.Path, "a normal");
				}
			}

			void ReadWidths(const Alembic::AbcGeom::ICurvesSchema& Schema, const ISampleSelector& Selector, const FPrepareMatrix& World, int64_t Strands,
			                int64_t Points, FObjectGroom& Out)
			{
				Alembic::AbcGeom::IFloatGeomParam Widths = Schema.getWidthsParam();
				if (!Widths.valid() || Widths.getNumSamples() == 0)
				{
					return;
				}
				std::vector<float> Values = ReadPrepareParam(Widths, Selector, 1);
				const std::string Scope = ScopeName(Widths.getScope());
				const EPrepareLayout Layout = LayoutOf(Values.size(), Strands, Points);
				if (Layout == EPrepareLayout::None)
				{
					Drop(Out.Path, EDropKind::Attribute, Widths.getName(), std::to_string(Values.size()) + " values",
					     SafeText::ShortPath(Out.Path) + ": widths dropped: " + std::to_string(Values.size()) + " values (" + Scope + " scope) for " + std::to_string(Strands) +
					         " strands of " + std::to_string(Points) + " points");
					return;
				}
				// Widths grow with the transform's (uniform) scale and the unit scale, as the points do.
				const double Factor = Options.Scale * std::cbrt(std::abs(World.Determinant3()));
				for (float& Value : Values)
				{
					Value = static_cast<float>(Value * Factor);
					if (!std::isfinite(Value))
					{
						PrepareRefuse(SafeText::ShortPath(Out.Path) + ": a width is not finite after the transform and scale");
					}
				}
				Out.Widths = {Layout, std::move(Values), Widths.getName(), Scope, Layout, Factor};
			}

			// The root UVs the engine's groom import takes for each strand: "groom_root_uv" where the file has
			// it, else the curves' uvs (at each strand's first point when there is one per point).
			void ReadRootUVs(const Alembic::AbcGeom::ICurvesSchema& Schema, const ISampleSelector& Selector, int64_t Strands, int64_t Points, FObjectGroom& Out)
			{
				using namespace Alembic::AbcGeom;
				const Alembic::Abc::ICompoundProperty Params = Schema.getArbGeomParams();
				const Alembic::Abc::PropertyHeader* const Header = Params.valid() ? Params.getPropertyHeader("groom_root_uv") : nullptr;
				IV2fGeomParam UVs;
				if (Header && IV2fGeomParam::matches(*Header))
				{
					UVs = IV2fGeomParam(Params, "groom_root_uv");
				}
				else if (Schema.getUVsParam().valid())
				{
					UVs = Schema.getUVsParam();
				}
				if (!UVs.valid() || UVs.getNumSamples() == 0)
				{
					return;
				}
				std::vector<float> Values = ReadPrepareParam(UVs, Selector, 2);
				const std::string Scope = ScopeName(UVs.getScope());
				const EPrepareLayout Layout = LayoutOf(Values.size() / 2, Strands, Points);
				if (Layout == EPrepareLayout::None)
				{
					Drop(Out.Path, EDropKind::UVs, UVs.getName(), std::to_string(Values.size() / 2) + " values",
					     SafeText::ShortPath(Out.Path) + ": uvs " + UVs.getName() + " dropped: " + std::to_string(Values.size() / 2) + " values (" + Scope + " scope) for " +
					         std::to_string(Strands) + " strands of " + std::to_string(Points) + " points");
					return;
				}
				for (const float Value : Values)
				{
					if (!std::isfinite(Value))
					{
						PrepareRefuse(SafeText::ShortPath(Out.Path) + ": a uv of " + UVs.getName() + " is not finite");
					}
				}
				if (Layout == EPrepareLayout::PerPoint && Points != Strands)
				{
					std::vector<float> Roots(2 * static_cast<size_t>(Strands), 0.0f);
					size_t Root = 0;
					for (size_t Strand = 0; Strand < static_cast<size_t>(Strands); ++Strand)
					{
						// A strand without points has no root and keeps (0, 0).
						if (Out.Counts[Strand] > 0)
						{
							Roots[2 * Strand] = Values[2 * Root];
							Roots[2 * Strand + 1] = Values[2 * Root + 1];
						}
						Root += static_cast<size_t>(Out.Counts[Strand]);
					}
					Values = std::move(Roots);
				}
				Out.RootUVs = {Layout == EPrepareLayout::PerPoint ? EPrepareLayout::PerStrand : Layout, std::move(Values), UVs.getName(), Scope, Layout};
			}

			// What of this object the groom does not hold.
			void NoteDropped(const Alembic::AbcGeom::ICurvesSchema& Schema, const Alembic::AbcGeom::ICurvesSchema::Sample& Sample, const FCurveKind& CurveKind, const FPreparedObject& Prepared,
			                 const FObjectGroom& Out)
			{
				const std::string& Path = Prepared.Path;
				if (CurveKind.Wrap == Alembic::AbcGeom::kPeriodic)
				{
					Drop(Path, EDropKind::PeriodicKeptOpen, "", "periodic", SafeText::ShortPath(Path) + ": periodic curves kept as open ones (no closing segment)");
				}
				if (CurveKind.Type != Alembic::AbcGeom::kCubic || CurveKind.Basis != Alembic::AbcGeom::kBezierBasis)
				{
					const std::string Kind = Prepared.CurveType + " " + Prepared.Basis;
					Drop(Path, EDropKind::CurveBasis, "", Kind,
					     SafeText::ShortPath(Path) + ": " + Kind + " curves keep their points; the groom records no curve type (its writer marks every groom cubic)");
				}
				const auto DropArray = [&](size_t Count, EDropKind Kind, const char* Name, const std::string& What)
				{
					if (Count > 0)
					{
						Drop(Path, Kind, Name, std::to_string(Count) + " values", SafeText::ShortPath(Path) + ": " + What + " dropped (" + std::to_string(Count) + " values)");
					}
				};
				DropArray(Sample.getKnots() ? Sample.getKnots()->size() : 0, EDropKind::Knots, ".knots", "knots");
				DropArray(Sample.getOrders() ? Sample.getOrders()->size() : 0, EDropKind::Orders, ".orders", "orders");
				DropArray(Sample.getPositionWeights() ? Sample.getPositionWeights()->size() : 0, EDropKind::PositionWeights, "w", "position weights");
				DropArray(Sample.getVelocities() ? Sample.getVelocities()->size() : 0, EDropKind::Velocities, ".velocities", "velocities");
				if (Schema.getUVsParam().valid() && (Out.RootUVs.Source != "uv" || Out.RootUVs.SourceLayout == EPrepareLayout::PerPoint))
				{
					Drop(Path, EDropKind::UVs, "uv", "uvs",
					     Path + (Out.RootUVs.Source == "uv" ? ": uvs past each strand's root dropped" : ": uvs dropped") +
					         " (the writer gives each strand its own, 0 at the root to 1 at the tip)");
				}
				Alembic::AbcGeom::IN3fGeomParam Normals = Schema.getNormalsParam();
				if (Normals.valid() && Out.Normals.Source != "N")
				{
					Drop(Path, EDropKind::Attribute, "N", "normals", SafeText::ShortPath(Path) + ": normals N dropped" + (Out.Normals.Source.empty() ? std::string() : " (surface_normal used)"));
				}
				const Alembic::Abc::ICompoundProperty Params = Schema.getArbGeomParams();
				if (!Params.valid())
				{
					return;
				}
				for (size_t I = 0; I < Params.getNumProperties(); ++I)
				{
					const Alembic::Abc::PropertyHeader& Header = Params.getPropertyHeader(I);
					const std::string& Name = Header.getName();
					if (Name == Out.Colours.Source || Name == Out.Normals.Source || Name == Out.RootUVs.Source)
					{
						continue;
					}
					const std::string Detail = DescribeParam(Header);
					Drop(Path, EDropKind::ArbitraryParam, Name, Detail, SafeText::ShortPath(Path) + ": arbitrary param " + Name + " ignored (" + Detail + ")");
				}
			}

			// One attribute of the merged groom: as the objects hold it when they agree, else expanded to
			// the finest layout among them, and at least to Coarsest. Dropped, with a line, when not every
			// object has it.
			std::vector<float> MergeAttribute(FPrepareAttribute FObjectGroom::*Member, EAttributeTarget Target, size_t Extent, EPrepareLayout Coarsest)
			{
				const std::string What = Target == EAttributeTarget::Colour ? "colours" : Target == EAttributeTarget::Normal ? "normals"
				                                                                      : Target == EAttributeTarget::Width    ? "widths"
				                                                                                                             : "root uvs";
				const std::string Into = Target == EAttributeTarget::Colour ? "groom_color" : Target == EAttributeTarget::Normal ? "surface_normal"
				                                                                          : Target == EAttributeTarget::Width    ? "widths"
				                                                                                                                 : "groom_root_uv";
				// The objects without it, the first few named: the line is said for each object with it.
				constexpr size_t MaxNamedWithout = 3;
				std::string Without;
				size_t WithoutCount = 0;
				EPrepareLayout Finest = EPrepareLayout::None;
				for (const FObjectGroom& Object : Groom)
				{
					const FPrepareAttribute& Attribute = Object.*Member;
					if (Attribute.Layout == EPrepareLayout::None && ++WithoutCount <= MaxNamedWithout)
					{
						Without += (Without.empty() ? "" : ", ") + SafeText::ShortPath(Object.Path);
					}
					Finest = std::max(Finest, Attribute.Layout);
				}
				if (WithoutCount > MaxNamedWithout)
				{
					Without += " and " + std::to_string(WithoutCount - MaxNamedWithout) + " more";
				}
				if (Finest == EPrepareLayout::None)
				{
					return {};
				}
				if (!Without.empty())
				{
					for (const FObjectGroom& Object : Groom)
					{
						const FPrepareAttribute& Attribute = Object.*Member;
						if (Attribute.Layout != EPrepareLayout::None)
						{
							Drop(Object.Path, EDropKind::Attribute, Attribute.Source, What + " missing from " + Without,
							     SafeText::ShortPath(Object.Path) + ": " + What + " " + Attribute.Source + " dropped: " + Without + " has none, and the groom holds them for every strand or none");
						}
					}
					return {};
				}
				Finest = std::max(Finest, Coarsest);
				std::vector<float> Merged;
				for (const FObjectGroom& Object : Groom)
				{
					const FPrepareAttribute& Attribute = Object.*Member;
					const size_t Before = Merged.size() / Extent;
					if (Attribute.Layout == Finest)
					{
						Merged.insert(Merged.end(), Attribute.Values.begin(), Attribute.Values.end());
					}
					else
					{
						size_t Point = 0;
						for (size_t Strand = 0; Strand < Object.Counts.size(); ++Strand)
						{
							const size_t Repeats = Finest == EPrepareLayout::PerPoint ? static_cast<size_t>(Object.Counts[Strand]) : 1;
							const size_t From = Attribute.Layout == EPrepareLayout::Constant ? 0 : Attribute.Layout == EPrepareLayout::PerStrand ? Strand
							                                                                                                                     : Point;
							for (size_t Repeat = 0; Repeat < Repeats; ++Repeat)
							{
								Merged.insert(Merged.end(), Attribute.Values.begin() + static_cast<std::ptrdiff_t>(From * Extent),
								              Attribute.Values.begin() + static_cast<std::ptrdiff_t>((From + 1) * Extent));
							}
							Point += static_cast<size_t>(Object.Counts[Strand]);
						}
					}
					const int64_t Count = static_cast<int64_t>(Merged.size() / Extent - Before);
					Report.Attributes.push_back({Object.Path, Target, Attribute.Source, Attribute.Scope, LayoutName(Finest), Count});
					Report.DoneLines.push_back(Into + " from " + Attribute.Source + " of " + SafeText::ShortPath(Object.Path) + " (" + Attribute.Scope + " scope, " + LayoutName(Attribute.SourceLayout) +
					                           (Attribute.SourceLayout == Finest ? "" : std::string(", written ") + LayoutName(Finest)) + ", " + std::to_string(Count) + " values" +
					                           (Target == EAttributeTarget::Normal ? ", turned with the transform" : "") +
					                           (Attribute.Factor != 1.0 ? ", times " + PrepareNumber(Attribute.Factor) + " with the transform and scale" : "") + ")");
				}
				return Merged;
			}

			const FPrepareOptions& Options;
			FPrepareReport& Report;
			std::vector<FSelector> Selectors;
			std::vector<FObjectGroom> Groom;
		};

		// Opens the archive as the engine's Alembic would, telling an HDF5 archive from an Ogawa one.
		Alembic::Abc::IArchive OpenPrepareSource(const std::string& SourcePath)
		{
			std::error_code StatusError;
			const std::filesystem::file_status Status = std::filesystem::status(PrepareFileSystemPath(SourcePath), StatusError);
			if (StatusError || !std::filesystem::exists(Status))
			{
				PrepareRefuse("cannot open it (" + (StatusError ? StatusError.message() : std::generic_category().message(ENOENT)) + ")");
			}
			if (!std::filesystem::is_regular_file(Status))
			{
				PrepareRefuse("not a regular file");
			}
			const FGroomReadPlan Plan = PlanGroomRead(SourcePath);
			if (Plan.Route != EGroomReadRoute::ByName)
			{
				PrepareRefuse("the engine's Alembic cannot open a file by this name on this system; give it a name the system's code page holds");
			}
			Alembic::AbcCoreFactory::IFactory Factory;
			Alembic::AbcCoreFactory::IFactory::CoreType Type = Alembic::AbcCoreFactory::IFactory::kUnknown;
			Alembic::Abc::IArchive Archive = Factory.getArchive(Plan.LibraryName, Type);
			if (Type == Alembic::AbcCoreFactory::IFactory::kHDF5)
			{
				PrepareRefuse("an HDF5 Alembic archive; re-export it as Ogawa");
			}
			if (!Archive.valid() || Type != Alembic::AbcCoreFactory::IFactory::kOgawa)
			{
				// The factory keeps quiet on failure; the Ogawa reader says why.
				std::string Reason = "not an Alembic archive";
				try
				{
					const Alembic::Abc::IArchive Ogawa(Alembic::AbcCoreOgawa::ReadArchive(), Plan.LibraryName, Alembic::Abc::ErrorHandler::kThrowPolicy);
				}
				catch (const std::exception& Error)
				{
					Reason = Error.what();
					std::replace(Reason.begin(), Reason.end(), '\n', ' ');
				}
				PrepareRefuse(Reason);
			}
			return Archive;
		}

		// "Curve" for "AbcGeom_Curve_v2", "Object" for an object without a schema.
		std::string KindOf(const Alembic::Abc::IObject& Object)
		{
			std::string Schema = Object.getMetaData().get("schema");
			if (Schema.empty())
			{
				return "Object";
			}
			const size_t Prefix = Schema.find('_');
			const size_t Version = Schema.rfind("_v");
			if (Prefix != std::string::npos && Version != std::string::npos && Version > Prefix)
			{
				Schema = Schema.substr(Prefix + 1, Version - Prefix - 1);
			}
			return Schema;
		}

		// An array's element count in the sample, without reading its values.
		int64_t CountOf(const Alembic::Abc::IArrayProperty& Property, const ISampleSelector& Selector)
		{
			if (!Property.valid() || Property.getNumSamples() == 0)
			{
				return 0;
			}
			PrepareCheckArraySlots(Property, Selector);
			Alembic::Util::Dimensions Dimensions;
			Property.getDimensions(Dimensions, Selector);
			return static_cast<int64_t>(Dimensions.numPoints());
		}

		FSurveyedAttribute SurveyAttribute(const Alembic::Abc::ICompoundProperty& Parent, const Alembic::Abc::PropertyHeader& Header, const std::string& Role,
		                                   const ISampleSelector& Selector)
		{
			FSurveyedAttribute Attribute;
			const Alembic::Abc::MetaData& MetaData = Header.getMetaData();
			Attribute.Name = Header.getName();
			Attribute.Role = Role;
			Attribute.Interpretation = MetaData.get("interpretation");
			Attribute.Scope = ScopeName(Alembic::AbcGeom::GetGeometryScope(MetaData));
			if (Header.isCompound())
			{
				Attribute.bIndexed = true;
				Attribute.Type = MetaData.get("podName");
				Attribute.Extent = std::max(1, std::atoi(MetaData.get("podExtent").c_str()));
				const Alembic::Abc::ICompoundProperty Indexed(Parent, Header.getName());
				if (Indexed.getPropertyHeader(".indices") && Indexed.getPropertyHeader(".indices")->isArray())
				{
					Attribute.Count = CountOf(Alembic::Abc::IArrayProperty(Indexed, ".indices"), Selector);
				}
				if (const Alembic::Abc::PropertyHeader* const Values = Indexed.getPropertyHeader(".vals"))
				{
					Attribute.Type = Alembic::Util::PODName(Values->getDataType().getPod());
					Attribute.Extent = static_cast<int32_t>(Values->getDataType().getExtent());
					Attribute.Interpretation = Values->getMetaData().get("interpretation");
				}
				return Attribute;
			}
			Attribute.Type = Alembic::Util::PODName(Header.getDataType().getPod());
			Attribute.Extent = static_cast<int32_t>(Header.getDataType().getExtent());
			Attribute.bScalar = Header.isScalar();
			if (Header.isArray())
			{
				Attribute.Count = CountOf(Alembic::Abc::IArrayProperty(Parent, Header.getName()), Selector);
			}
			return Attribute;
		}

		void SurveyCurvePoints(const Alembic::AbcGeom::ICurvesSchema& Schema, const ISampleSelector& Selector, const FCurveKind& CurveKind, const FPlacement& Placement, FSurveyedObject& Out)
		{
			const Alembic::AbcGeom::ICurvesSchema::Sample Sample = Schema.getValue(Selector);
			const Alembic::Abc::P3fArraySamplePtr Positions = Sample.getPositions();
			Out.Points = Positions ? static_cast<int64_t>(Positions->size()) : 0;
			Out.Strands = Sample.getCurvesNumVertices() ? static_cast<int64_t>(Sample.getCurvesNumVertices()->size()) : 0;
			DescribeCurveKind(CurveKind, Out);
			const FPrepareMatrix& World = Placement.World;
			for (int64_t I = 0; I < Out.Points; ++I)
			{
				const Alembic::Abc::V3f& P = (*Positions)[static_cast<size_t>(I)];
				for (int Column = 0; Column < 3; ++Column)
				{
					const double Value = P.x * World.M[0][Column] + P.y * World.M[1][Column] + P.z * World.M[2][Column] + World.M[3][Column];
					Out.WorldBoundsMin[Column] = I == 0 ? Value : std::min(Out.WorldBoundsMin[Column], Value);
					Out.WorldBoundsMax[Column] = I == 0 ? Value : std::max(Out.WorldBoundsMax[Column], Value);
				}
			}
			Out.bHasWorldBounds = Out.Points > 0;
		}

		void SurveyCurveAttributes(const Alembic::AbcGeom::ICurvesSchema& Schema, const ISampleSelector& Selector, FSurveyedObject& Out)
		{
			const Alembic::Abc::ICompoundProperty Properties = Schema;
			const auto Add = [&](const std::string& Name, const std::string& Role)
			{
				const Alembic::Abc::PropertyHeader* const Header = Properties.getPropertyHeader(Name);
				if (Header)
				{
					Out.Attributes.push_back(SurveyAttribute(Properties, *Header, Role, Selector));
				}
			};
			Add("N", "normals");
			Add("width", "widths");
			Add("uv", "uvs");
			Add(".velocities", "velocities");
			const Alembic::Abc::ICompoundProperty Params = Schema.getArbGeomParams();
			if (Params.valid())
			{
				for (size_t I = 0; I < Params.getNumProperties(); ++I)
				{
					Out.Attributes.push_back(SurveyAttribute(Params, Params.getPropertyHeader(I), "arbitrary", Selector));
				}
			}
		}

		void SurveyCurves(const Alembic::Abc::IObject& Object, const FPlacement& Placement, double Time, bool bReadPoints, FSurveyedObject& Out)
		{
			const Alembic::AbcGeom::ICurves Curves(Object, Alembic::Abc::kWrapExisting);
			const Alembic::AbcGeom::ICurvesSchema& Schema = Curves.getSchema();
			Out.Samples = static_cast<int64_t>(Schema.getNumSamples());
			if (Out.Samples == 0)
			{
				return;
			}
			const ISampleSelector Selector(Time);
			PrepareCheckArrayShape(Schema.getPositionsProperty(), Selector);
			PrepareCheckArrayShape(Schema.getNumVerticesProperty(), Selector);
			PrepareCheckArrayShape(Schema.getPositionWeightsProperty(), Selector);
			PrepareCheckArrayShape(Schema.getOrdersProperty(), Selector);
			PrepareCheckArrayShape(Schema.getKnotsProperty(), Selector);
			PrepareCheckArrayShape(Schema.getVelocitiesProperty(), Selector);
			const FCurveKind CurveKind = PrepareReadCurveKind(Schema, Selector, Out.Path);
			if (!bReadPoints)
			{
				// Counts from the arrays' dimensions; the points themselves stay on disk.
				Out.Points = CountOf(Schema.getPositionsProperty(), Selector);
				Out.Strands = CountOf(Schema.getNumVerticesProperty(), Selector);
			}
			else
			{
				SurveyCurvePoints(Schema, Selector, CurveKind, Placement, Out);
			}
			SurveyCurveAttributes(Schema, Selector, Out);
		}
	}

	namespace
	{
		// Root UVs as the engine's groom import reads them: two floats per strand, uniform scope, as an
		// OV2fGeomParam stores them.
		FGroomParam RootUVParam(std::vector<float> Values)
		{
			Alembic::Abc::MetaData MetaData;
			MetaData.set("arrayExtent", "1");
			MetaData.set("geoScope", "uni");
			MetaData.set("interpretation", "vector");
			MetaData.set("isGeomParam", "true");
			MetaData.set("podExtent", "2");
			MetaData.set("podName", "float32_t");
			FGroomParam Param;
			Param.Name = "groom_root_uv";
			Param.Pod = static_cast<uint8_t>(Alembic::Util::kFloat32POD);
			Param.Extent = 2;
			Param.MetaData = MetaData.serialize();
			Param.NumValues = Values.size() / 2;
			Param.Values.resize(Values.size() * sizeof(float));
			std::memcpy(Param.Values.data(), Values.data(), Param.Values.size());
			return Param;
		}
	}

	const char* DropKindName(EDropKind Kind)
	{
		switch (Kind)
		{
			case EDropKind::PeriodicKeptOpen:
				return "periodicKeptOpen";
			case EDropKind::CurveBasis:
				return "curveBasis";
			case EDropKind::Knots:
				return "knots";
			case EDropKind::Orders:
				return "orders";
			case EDropKind::PositionWeights:
				return "positionWeights";
			case EDropKind::Velocities:
				return "velocities";
			case EDropKind::UVs:
				return "uvs";
			case EDropKind::Attribute:
				return "attribute";
			case EDropKind::ArbitraryParam:
				return "arbitraryParam";
		}
		return "";
	}

	const char* AttributeTargetName(EAttributeTarget Target)
	{
		switch (Target)
		{
			case EAttributeTarget::Colour:
				return "groom_color";
			case EAttributeTarget::Normal:
				return "surface_normal";
			case EAttributeTarget::RootUV:
				return "rootUV";
			case EAttributeTarget::Width:
				return "widths";
		}
		return "";
	}

	bool SurveyGroomFile(const std::string& SourcePath, FGroomSurvey& OutSurvey, ESurveyDepth Depth)
	{
		OutSurvey = FGroomSurvey();
		try
		{
			const Alembic::Abc::IArchive Archive = OpenPrepareSource(SourcePath);
			const FScopedPrepareLayout ScopedLayout(SourcePath);
			std::error_code SizeError;
			const uint64_t FileSize = static_cast<uint64_t>(std::filesystem::file_size(PrepareFileSystemPath(SourcePath), SizeError));
			const uint64_t MaxObjects = (SizeError ? 0 : FileSize / 4) + 1024;
			// The time of the first sample of the most sampled curves object, as a preparation reads by default.
			size_t MostSamples = 0;
			VisitObjects(Archive.getTop(), MaxObjects, false, 0.0,
			             [&](const Alembic::Abc::IObject& Object, const FPlacement&)
			             {
				             if (!IsCurves(Object))
				             {
					             return;
				             }
				             const Alembic::AbcGeom::ICurves Curves(Object, Alembic::Abc::kWrapExisting);
				             if (Curves.getSchema().getNumSamples() > MostSamples)
				             {
					             MostSamples = Curves.getSchema().getNumSamples();
					             OutSurvey.Time = Curves.getSchema().getTimeSampling()->getSampleTime(0);
				             }
			             });
			std::vector<size_t> Ancestors;
			VisitObjects(Archive.getTop(), MaxObjects, true, OutSurvey.Time,
			             [&](const Alembic::Abc::IObject& Object, const FPlacement& Placement)
			             {
				             FSurveyedObject Surveyed;
				             Surveyed.Path = Object.getFullName();
				             // Pre-order: the parent is the last object seen whose path is this one's without its name.
				             const size_t ParentLength = Surveyed.Path.rfind('/');
				             while (!Ancestors.empty() && OutSurvey.Objects[Ancestors.back()].Path.size() > ParentLength)
				             {
					             Ancestors.pop_back();
				             }
				             Surveyed.Parent = Ancestors.empty() || OutSurvey.Objects[Ancestors.back()].Path.size() != ParentLength ? -1 : static_cast<int32_t>(Ancestors.back());
				             Ancestors.push_back(OutSurvey.Objects.size());
				             Surveyed.Kind = KindOf(Object);
				             DescribePlacement(Placement, Surveyed);
				             if (IsCurves(Object))
				             {
					             if (OutSurvey.FitReads.empty())
					             {
						             OutSurvey.FitReads = Surveyed.Path;
						             OutSurvey.FitReadsIndex = static_cast<int32_t>(OutSurvey.Objects.size());
					             }
					             SurveyCurves(Object, Placement, OutSurvey.Time, Depth == ESurveyDepth::Whole, Surveyed);
				             }
				             else if (Alembic::AbcGeom::IXform::matches(Object.getMetaData()))
				             {
					             Surveyed.Samples = static_cast<int64_t>(Alembic::AbcGeom::IXform(Object, Alembic::Abc::kWrapExisting).getSchema().getNumSamples());
				             }
				             OutSurvey.Objects.push_back(std::move(Surveyed));
			             });
		}
		catch (const FPrepareFailure& Failure)
		{
			OutSurvey = FGroomSurvey();
			OutSurvey.Error = SourcePath + ": " + SafeText::Escaped(Failure.Reason);
			return false;
		}
		catch (const std::exception& Error)
		{
			std::string Reason = Error.what();
			std::replace(Reason.begin(), Reason.end(), '\n', ' ');
			OutSurvey = FGroomSurvey();
			OutSurvey.Error = SourcePath + ": " + Reason;
			return false;
		}
		return true;
	}

	bool PrepareGroomRecord(const std::string& SourcePath, const FPrepareOptions& Options, GroomData& OutGroom, FPrepareReport& OutReport,
	                        std::vector<FGroomParam>* OutParams)
	{
		OutReport = FPrepareReport();
		OutGroom = GroomData();
		std::vector<float> RootUVs;
		try
		{
			if (!std::isfinite(Options.Scale) || !(Options.Scale > 0.0))
			{
				PrepareRefuse("the scale must be a positive number, not " + PrepareNumber(Options.Scale));
			}
			const Alembic::Abc::IArchive Archive = OpenPrepareSource(SourcePath);
			const FScopedPrepareLayout ScopedLayout(SourcePath);
			std::error_code SizeError;
			const uint64_t FileSize = static_cast<uint64_t>(std::filesystem::file_size(PrepareFileSystemPath(SourcePath), SizeError));
			// Every real object costs the file more than four bytes, so more objects than that is a loop.
			const uint64_t MaxObjects = (SizeError ? 0 : FileSize / 4) + 1024;
			FGroomPreparer Preparer(Options, OutReport);
			Preparer.Read(Archive, MaxObjects);
			Preparer.Merge(OutGroom, RootUVs);
		}
		catch (const FPrepareFailure& Failure)
		{
			OutReport.Error = SourcePath + ": " + SafeText::Escaped(Failure.Reason);
		}
		catch (const std::exception& Error)
		{
			std::string Reason = Error.what();
			std::replace(Reason.begin(), Reason.end(), '\n', ' ');
			OutReport.Error = SourcePath + ": " + Reason;
		}
		if (!OutReport.Error.empty())
		{
			const std::string Error = OutReport.Error;
			OutReport = FPrepareReport();
			OutReport.Error = Error;
			OutGroom = GroomData();
			return false;
		}
		if (OutParams)
		{
			OutParams->clear();
			if (!RootUVs.empty())
			{
				OutParams->push_back(RootUVParam(std::move(RootUVs)));
			}
		}
		if (Options.bYUp)
		{
			OutReport.DoneLines.push_back("turned Y-up into Z-up: (x, y, z) -> (x, -z, y)");
		}
		if (Options.Scale != 1.0)
		{
			OutReport.DoneLines.push_back("scaled by " + PrepareNumber(Options.Scale));
		}
		if (OutReport.Moved[0] != 0.0 || OutReport.Moved[1] != 0.0 || OutReport.Moved[2] != 0.0)
		{
			OutReport.DoneLines.push_back(std::string(Options.bCenter ? "centred and moved" : "moved") + " by (" + PrepareNumber(OutReport.Moved[0]) + ", " +
			                              PrepareNumber(OutReport.Moved[1]) + ", " + PrepareNumber(OutReport.Moved[2]) + ")");
		}
		OutReport.bSucceeded = true;
		return true;
	}

	bool PrepareGroomFile(const std::string& SourcePath, const std::string& TargetPath, const FPrepareOptions& Options, FPrepareReport& OutReport)
	{
		GroomData Groom;
		std::vector<FGroomParam> Params;
		if (!PrepareGroomRecord(SourcePath, Options, Groom, OutReport, &Params))
		{
			return false;
		}
		std::vector<std::string> Warnings;
		std::string Error;
		const bool bWritten = GroomFitting::WriteGroomReplacing(TargetPath, Groom, Params, Warnings, Error);
		OutReport.DoneLines.insert(OutReport.DoneLines.end(), Warnings.begin(), Warnings.end());
		if (!bWritten)
		{
			OutReport.bSucceeded = false;
			OutReport.Error = Error;
			return false;
		}
		OutReport.DoneLines.push_back("wrote " + TargetPath + ": " + std::to_string(OutReport.Strands) + (OutReport.Strands == 1 ? " strand, " : " strands, ") +
		                              std::to_string(OutReport.Points) + (OutReport.Points == 1 ? " point" : " points"));
		return true;
	}
}
