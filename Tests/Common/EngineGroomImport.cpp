#include "EngineGroomImport.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <optional>
#include <sstream>

namespace EngineImport
{
	namespace
	{
		namespace Abc = Alembic::Abc;
		namespace AbcA = Alembic::AbcCoreAbstract;
		namespace AbcGeom = Alembic::AbcGeom;
		using Alembic::Util::PlainOldDataType;

		// What the builder gives every point of a groom without widths.
		const float DefaultWidth = 0.01f;
		// More objects than any groom the suite writes: a file that nests past it is not modelled.
		const size_t MaxObjects = size_t(1) << 20;
		const double NaN = std::numeric_limits<double>::quiet_NaN();

		std::string Plural(uint64_t Count, const char* Noun)
		{
			return std::to_string(Count) + " " + Noun + (Count == 1 ? "" : "s");
		}

		// The scope as the file spells it, for messages.
		std::string ScopeText(const AbcA::MetaData& MetaData)
		{
			const std::string Scope = MetaData.get("geoScope");
			return Scope.empty() ? std::string("no (constant)") : Scope;
		}

		// One array as the import sees it: the elements it stands for, through the indices of an indexed one.
		struct FArray
		{
			std::string Name;
			AbcGeom::GeometryScope Scope = AbcGeom::kUnknownScope;
			std::string ScopeName;
			PlainOldDataType Pod = Alembic::Util::kUnknownPOD;
			size_t Extent = 0;
			AbcA::ArraySamplePtr Values;
			// Null unless indexed.
			AbcA::ArraySamplePtr Indices;
			uint64_t Count = 0;

			uint64_t NumValues() const { return Values ? Values->size() : 0; }

			// Component Component of element Element, or NaN where that lies past the sample.
			double Get(uint64_t Element, size_t Component) const
			{
				if (Element >= Count || Component >= Extent)
				{
					return NaN;
				}
				uint64_t Value = Element;
				if (Indices)
				{
					Value = static_cast<const uint32_t*>(Indices->getData())[Element];
				}
				if (Value >= NumValues())
				{
					return NaN;
				}
				const size_t Bytes = Alembic::Util::PODNumBytes(Pod);
				const char* const At = static_cast<const char*>(Values->getData()) + (Value * Extent + Component) * Bytes;
				switch (Pod)
				{
					case Alembic::Util::kBooleanPOD:
					case Alembic::Util::kUint8POD:
						return Load<uint8_t>(At);
					case Alembic::Util::kInt8POD:
						return Load<int8_t>(At);
					case Alembic::Util::kUint16POD:
						return Load<uint16_t>(At);
					case Alembic::Util::kInt16POD:
						return Load<int16_t>(At);
					case Alembic::Util::kUint32POD:
						return Load<uint32_t>(At);
					case Alembic::Util::kInt32POD:
						return Load<int32_t>(At);
					case Alembic::Util::kUint64POD:
						return static_cast<double>(Load<uint64_t>(At));
					case Alembic::Util::kInt64POD:
						return static_cast<double>(Load<int64_t>(At));
					case Alembic::Util::kFloat32POD:
						return Load<float>(At);
					case Alembic::Util::kFloat64POD:
						return Load<double>(At);
					default:
						return NaN;
				}
			}

			bool IsFloats(size_t WantedExtent) const { return Pod == Alembic::Util::kFloat32POD && Extent == WantedExtent; }

			std::string TypeText() const { return std::string(Alembic::Util::PODName(Pod)) + " x" + std::to_string(Extent); }

		private:
			template<typename T>
			static T Load(const char* At)
			{
				T Value;
				std::memcpy(&Value, At, sizeof(T));
				return Value;
			}
		};

		// The array a property names at sample 0, or nothing with the reason in OutWhy: a scalar, a compound
		// that is not an indexed param, no samples, a type no number is read from.
		std::optional<FArray> ReadArray(const Abc::ICompoundProperty& Parent, const AbcA::PropertyHeader& Header, std::string& OutWhy)
		{
			FArray Array;
			Array.Name = Header.getName();
			const Abc::ISampleSelector First(Abc::index_t(0));
			if (Header.isScalar())
			{
				OutWhy = "a scalar property";
				return std::nullopt;
			}
			AbcA::PropertyHeader ValuesHeader = Header;
			if (Header.isCompound())
			{
				const Abc::ICompoundProperty Indexed(Parent, Header.getName());
				const AbcA::PropertyHeader* const Values = Indexed.getPropertyHeader(".vals");
				const AbcA::PropertyHeader* const Indices = Indexed.getPropertyHeader(".indices");
				if (!Values || !Values->isArray() || !Indices || !Indices->isArray() || Indices->getDataType().getPod() != Alembic::Util::kUint32POD)
				{
					OutWhy = "a compound that is not an indexed param";
					return std::nullopt;
				}
				const Abc::IArrayProperty IndexProperty(Indexed, ".indices");
				const Abc::IArrayProperty ValueProperty(Indexed, ".vals");
				if (IndexProperty.getNumSamples() == 0 || ValueProperty.getNumSamples() == 0)
				{
					OutWhy = "no samples";
					return std::nullopt;
				}
				IndexProperty.get(Array.Indices, First);
				ValueProperty.get(Array.Values, First);
				ValuesHeader = *Values;
			}
			else
			{
				const Abc::IArrayProperty Property(Parent, Header.getName());
				if (Property.getNumSamples() == 0)
				{
					OutWhy = "no samples";
					return std::nullopt;
				}
				Property.get(Array.Values, First);
			}
			Array.Scope = AbcGeom::GetGeometryScope(Header.getMetaData());
			Array.ScopeName = ScopeText(Header.getMetaData());
			Array.Pod = ValuesHeader.getDataType().getPod();
			Array.Extent = ValuesHeader.getDataType().getExtent();
			if (Array.Pod == Alembic::Util::kStringPOD || Array.Pod == Alembic::Util::kWstringPOD || Array.Pod == Alembic::Util::kFloat16POD ||
			    Array.Pod >= Alembic::Util::kNumPlainOldDataTypes || Array.Extent == 0)
			{
				OutWhy = "of type " + Array.TypeText();
				return std::nullopt;
			}
			Array.Count = Array.Indices ? Array.Indices->size() : Array.NumValues();
			return Array;
		}

		// "width: reads 9 values per point from a sample of 3", or "" when Count holds what is read.
		std::string DescribeReadPast(const std::string& Name, uint64_t Read, const char* Per, uint64_t Count)
		{
			if (Count >= Read)
			{
				return std::string();
			}
			return Name + ": reads " + Plural(Read, "value") + " " + Per +
			       (Count == 0 ? std::string(" through the null data pointer of an empty sample") : " from a sample of " + std::to_string(Count));
		}

		// An index past the values is read past them, wherever the import reads that element.
		std::string DescribeBadIndex(const FArray& Array)
		{
			if (!Array.Indices)
			{
				return std::string();
			}
			const uint32_t* const Indices = static_cast<const uint32_t*>(Array.Indices->getData());
			for (uint64_t Element = 0; Element < Array.Count; ++Element)
			{
				if (Indices[Element] >= Array.NumValues())
				{
					return Array.Name + ": element " + std::to_string(Element) + " is index " + std::to_string(Indices[Element]) + ", past the sample's " +
					       Plural(Array.NumValues(), "value");
				}
			}
			return std::string();
		}

		// One curves object as the translator reads it, before the merge.
		struct FObjectRead
		{
			FImportedObject Facts;
			std::vector<double> Positions;
			std::vector<float> PointWidths;
			std::vector<float> PointColours;
			std::vector<float> RootUVs;
			int64_t GuideStrands = 0;
			std::vector<std::string> StrandAttributes;
			std::vector<std::string> PointAttributes;
		};

		class FCurvesReader
		{
		public:
			FCurvesReader(FEngineGroom& InResult)
			    : Result(InResult)
			{
			}

			FObjectRead Read(const Abc::IObject& Object, const Imath::M44d& Matrix)
			{
				FObjectRead Out;
				Out.Facts.Path = Object.getFullName();
				const AbcGeom::ICurves Curves(Object, Abc::kWrapExisting);
				const Abc::ICompoundProperty Schema = Curves.getSchema();
				if (!ReadTopology(Schema, Matrix, Out))
				{
					return Out;
				}
				ReadWidths(Schema, Out);
				ReadSchemaUVs(Schema, Out);
				const Abc::ICompoundProperty Params = Curves.getSchema().getArbGeomParams();
				if (Params.valid())
				{
					for (size_t Index = 0; Index < Params.getNumProperties(); ++Index)
					{
						ReadGroomParam(Params, Params.getPropertyHeader(Index), Out);
					}
				}
				return Out;
			}

		private:
			void Violation(std::string Line)
			{
				if (!Line.empty())
				{
					Result.Violations.push_back(std::move(Line));
				}
			}

			void Unmodelled(std::string Line) { Result.Unmodelled.push_back(std::move(Line)); }

			std::optional<FArray> ReadNamed(const Abc::ICompoundProperty& Parent, const std::string& Name)
			{
				const AbcA::PropertyHeader* const Header = Parent.getPropertyHeader(Name);
				if (!Header)
				{
					return std::nullopt;
				}
				std::string Why;
				std::optional<FArray> Array = ReadArray(Parent, *Header, Why);
				if (!Array)
				{
					Unmodelled(Name + ": " + Why);
				}
				return Array;
			}

			// The points and each strand's first point. False where the strands cannot be walked.
			bool ReadTopology(const Abc::ICompoundProperty& Schema, const Imath::M44d& Matrix, FObjectRead& Out)
			{
				const std::optional<FArray> Positions = ReadNamed(Schema, "P");
				const std::optional<FArray> Counts = ReadNamed(Schema, "nVertices");
				if (!Positions || !Counts || !Positions->IsFloats(3) || Counts->Pod != Alembic::Util::kInt32POD)
				{
					Unmodelled(Out.Facts.Path + ": no P of three floats and nVertices of int32 to read the strands from");
					return false;
				}
				Out.Facts.Strands = static_cast<int64_t>(Counts->Count);
				int64_t Points = 0;
				for (uint64_t Strand = 0; Strand < Counts->Count; ++Strand)
				{
					const double Count = Counts->Get(Strand, 0);
					if (Count < 0)
					{
						Violation("nVertices: strand " + std::to_string(Strand) + " holds " + std::to_string(static_cast<int64_t>(Count)) + " points");
						return false;
					}
					FirstPoints.push_back(Points);
					Points += static_cast<int64_t>(Count);
				}
				Out.Facts.Points = Points;
				if (static_cast<uint64_t>(Points) > Positions->Count)
				{
					// Nothing past this is worth modelling, and the counts may claim far more than the file holds.
					Violation("P: the strands hold " + Plural(static_cast<uint64_t>(Points), "point") + ", read from a sample of " +
					          std::to_string(Positions->Count));
					return false;
				}
				else if (static_cast<uint64_t>(Points) < Positions->Count)
				{
					Unmodelled("P: holds " + std::to_string(Positions->Count) + " points, the strands " + std::to_string(Points));
				}
				for (int64_t Point = 0; Point < Points; ++Point)
				{
					// Row vectors, as the translator applies the chain's matrix.
					const Imath::V3d Local(Positions->Get(Point, 0), Positions->Get(Point, 1), Positions->Get(Point, 2));
					Imath::V3d World;
					Matrix.multVecMatrix(Local, World);
					Out.Positions.insert(Out.Positions.end(), {World.x, World.y, World.z});
				}
				for (int64_t Strand = 0; Strand < Out.Facts.Strands; ++Strand)
				{
					const int64_t End = Strand + 1 < Out.Facts.Strands ? FirstPoints[Strand + 1] : Points;
					StrandOfPoint.insert(StrandOfPoint.end(), static_cast<size_t>(End - FirstPoints[Strand]), Strand);
				}
				return true;
			}

			// The scope alone decides how widths are read.
			void ReadWidths(const Abc::ICompoundProperty& Schema, FObjectRead& Out)
			{
				Out.PointWidths.assign(static_cast<size_t>(Out.Facts.Points), DefaultWidth);
				const std::optional<FArray> Widths = ReadNamed(Schema, "width");
				if (!Widths)
				{
					return;
				}
				if (!Widths->IsFloats(1))
				{
					Unmodelled("width: of type " + Widths->TypeText());
					return;
				}
				const int64_t Strands = Out.Facts.Strands;
				const int64_t Points = Out.Facts.Points;
				switch (Widths->Scope)
				{
					case AbcGeom::kVertexScope:
						Out.Facts.Widths = EWidthLayout::PerPoint;
						Violation(DescribeReadPast("width", static_cast<uint64_t>(Points), "per point", Widths->Count));
						break;
					case AbcGeom::kUniformScope:
						Out.Facts.Widths = EWidthLayout::PerStrand;
						Violation(DescribeReadPast("width", static_cast<uint64_t>(Strands), "per strand", Widths->Count));
						break;
					case AbcGeom::kConstantScope:
						Out.Facts.Widths = EWidthLayout::One;
						Violation(DescribeReadPast("width", Strands > 0 ? 1 : 0, "for the whole groom", Widths->Count));
						break;
					default:
						Unmodelled("width: at " + Widths->ScopeName + " scope, which the facts do not cover");
						return;
				}
				Violation(DescribeBadIndex(*Widths));
				for (int64_t Point = 0; Point < Points; ++Point)
				{
					const uint64_t Element = Out.Facts.Widths == EWidthLayout::PerPoint    ? static_cast<uint64_t>(Point)
					                         : Out.Facts.Widths == EWidthLayout::PerStrand ? static_cast<uint64_t>(StrandOfPoint[Point])
					                                                                       : 0;
					Out.PointWidths[Point] = static_cast<float>(Widths->Get(Element, 0));
				}
			}

			// Vertex scope: each strand's first point; any other: one per strand.
			void ReadSchemaUVs(const Abc::ICompoundProperty& Schema, FObjectRead& Out)
			{
				const std::optional<FArray> UVs = ReadNamed(Schema, "uv");
				if (!UVs)
				{
					return;
				}
				if (!UVs->IsFloats(2))
				{
					Unmodelled("uv: of type " + UVs->TypeText());
					return;
				}
				const bool bFirstPoints = UVs->Scope == AbcGeom::kVertexScope;
				if (bFirstPoints)
				{
					// A strand of no points has no first point: whether the import reads one for it at the
					// next strand's (past the sample after the last strand) is not known.
					int64_t Last = -1;
					for (int64_t Strand = 0; Strand < Out.Facts.Strands; ++Strand)
					{
						const bool bEmpty = (Strand + 1 < Out.Facts.Strands ? FirstPoints[Strand + 1] : Out.Facts.Points) == FirstPoints[Strand];
						if (!bEmpty)
						{
							Last = std::max(Last, FirstPoints[Strand]);
						}
						else if (static_cast<uint64_t>(FirstPoints[Strand]) >= UVs->Count)
						{
							Unmodelled("uv: strand " + std::to_string(Strand) + " holds no points; whether the import reads a root UV for it at point " +
							           std::to_string(FirstPoints[Strand]) + ", past the sample of " + std::to_string(UVs->Count) + ", is not known");
							break;
						}
					}
					if (Last >= 0 && static_cast<uint64_t>(Last) >= UVs->Count)
					{
						Violation("uv: reads the first point of each strand, up to point " + std::to_string(Last) +
						          (UVs->Count == 0 ? std::string(", through the null data pointer of an empty sample") : ", from a sample of " + std::to_string(UVs->Count)));
					}
				}
				else
				{
					Violation(DescribeReadPast("uv", static_cast<uint64_t>(Out.Facts.Strands), "per strand", UVs->Count));
				}
				Violation(DescribeBadIndex(*UVs));
				Out.Facts.RootUVs = ERootUVSource::SchemaUV;
				Out.RootUVs.clear();
				for (int64_t Strand = 0; Strand < Out.Facts.Strands; ++Strand)
				{
					const uint64_t Element = static_cast<uint64_t>(bFirstPoints ? FirstPoints[Strand] : Strand);
					Out.RootUVs.insert(Out.RootUVs.end(), {static_cast<float>(UVs->Get(Element, 0)), static_cast<float>(UVs->Get(Element, 1))});
				}
			}

			// Only groom_* params are read: uniform or constant scope, or one value per strand, as a strand
			// attribute; any other as one value per point, unchecked.
			void ReadGroomParam(const Abc::ICompoundProperty& Params, const AbcA::PropertyHeader& Header, FObjectRead& Out)
			{
				const std::string& Name = Header.getName();
				if (Name.compare(0, 6, "groom_") != 0)
				{
					return;
				}
				std::string Why;
				const std::optional<FArray> Param = ReadArray(Params, Header, Why);
				if (!Param)
				{
					Unmodelled(Name + ": " + Why);
					return;
				}
				const int64_t Strands = Out.Facts.Strands;
				const bool bStrand = Param->Scope == AbcGeom::kUniformScope || Param->Scope == AbcGeom::kConstantScope || Param->Count == static_cast<uint64_t>(Strands);
				const bool bOneForAll = bStrand && Param->Scope == AbcGeom::kConstantScope && Param->Count != static_cast<uint64_t>(Strands);
				if (bStrand)
				{
					Out.StrandAttributes.push_back(Name);
					Violation(bOneForAll ? DescribeReadPast(Name, Strands > 0 ? 1 : 0, "for the whole groom", Param->Count)
					                     : DescribeReadPast(Name, static_cast<uint64_t>(Strands), "per strand", Param->Count));
				}
				else
				{
					Out.PointAttributes.push_back(Name);
					Violation(DescribeReadPast(Name, static_cast<uint64_t>(Out.Facts.Points), "per point", Param->Count));
				}
				Violation(DescribeBadIndex(*Param));
				const auto StrandElement = [bOneForAll](int64_t Strand)
				{ return bOneForAll ? uint64_t(0) : static_cast<uint64_t>(Strand); };

				if (Name == "groom_color")
				{
					ReadColours(*Param, bStrand, Out);
				}
				else if (Name == "groom_root_uv")
				{
					if (!bStrand)
					{
						Unmodelled("groom_root_uv: one per point, which the facts do not cover");
					}
					else if (!Param->IsFloats(2))
					{
						Unmodelled("groom_root_uv: of type " + Param->TypeText());
					}
					else
					{
						// Read after the schema's uv, it wins.
						Out.Facts.RootUVs = ERootUVSource::GroomRootUV;
						Out.RootUVs.clear();
						for (int64_t Strand = 0; Strand < Strands; ++Strand)
						{
							Out.RootUVs.insert(Out.RootUVs.end(), {static_cast<float>(Param->Get(StrandElement(Strand), 0)), static_cast<float>(Param->Get(StrandElement(Strand), 1))});
						}
					}
				}
				else if (Name == "groom_guide")
				{
					Out.Facts.bGuides = true;
					if (!bStrand)
					{
						Unmodelled("groom_guide: one per point, which the facts do not cover");
						return;
					}
					for (int64_t Strand = 0; Strand < Strands; ++Strand)
					{
						const double Guide = Param->Get(StrandElement(Strand), 0);
						Out.GuideStrands += !std::isnan(Guide) && Guide != 0 ? 1 : 0;
					}
				}
			}

			// The builder uses only a per-point groom_color of three floats.
			void ReadColours(const FArray& Colours, bool bStrand, FObjectRead& Out)
			{
				if (bStrand)
				{
					Out.Facts.Colours = EColourFate::Dropped;
					Out.Facts.ColourNote = "read as a strand attribute (" + Plural(Colours.Count, "value") + " at " + Colours.ScopeName +
					                       " scope for " + Plural(static_cast<uint64_t>(Out.Facts.Strands), "strand") + "), which the builder never uses";
					return;
				}
				if (!Colours.IsFloats(3))
				{
					Out.Facts.Colours = EColourFate::Dropped;
					Out.Facts.ColourNote = "of type " + Colours.TypeText() + ", not three floats";
					return;
				}
				Out.Facts.Colours = EColourFate::KeptPerPoint;
				for (int64_t Point = 0; Point < Out.Facts.Points; ++Point)
				{
					for (size_t Component = 0; Component < 3; ++Component)
					{
						Out.PointColours.push_back(static_cast<float>(Colours.Get(static_cast<uint64_t>(Point), Component)));
					}
				}
			}

			FEngineGroom& Result;
			std::vector<int64_t> FirstPoints;
			std::vector<int64_t> StrandOfPoint;
		};

		struct FFound
		{
			std::vector<std::pair<Abc::IObject, Imath::M44d>> Curves;
			std::vector<std::string> PolyMeshes;
		};

		// Every object in pre-order, with the parent chain's matrix: parent x child, as the translator
		// multiplies them.
		FFound FindObjects(const Abc::IArchive& Archive, FEngineGroom& Result)
		{
			FFound Found;
			std::vector<std::pair<Abc::IObject, Imath::M44d>> Pending;
			const Abc::IObject Top = Archive.getTop();
			for (size_t Child = Top.getNumChildren(); Child-- > 0;)
			{
				Pending.emplace_back(Top.getChild(Child), Imath::M44d());
			}
			size_t Visited = 0;
			while (!Pending.empty())
			{
				if (++Visited > MaxObjects)
				{
					Result.Unmodelled.push_back("more than " + std::to_string(MaxObjects) + " objects");
					break;
				}
				auto [Object, Matrix] = std::move(Pending.back());
				Pending.pop_back();
				const AbcA::MetaData& MetaData = Object.getMetaData();
				if (MetaData.get("schema") == "AbcGeom_PolyMesh_v1")
				{
					Found.PolyMeshes.push_back(Object.getFullName());
				}
				else if (AbcGeom::ICurves::matches(MetaData))
				{
					Found.Curves.emplace_back(Object, Matrix);
				}
				else if (AbcGeom::IXform::matches(MetaData))
				{
					const AbcGeom::IXformSchema Schema = AbcGeom::IXform(Object, Abc::kWrapExisting).getSchema();
					if (Schema.getNumSamples() > 0)
					{
						Matrix = Matrix * Schema.getValue(Abc::ISampleSelector(Abc::index_t(0))).getMatrix();
					}
				}
				for (size_t Child = Object.getNumChildren(); Child-- > 0;)
				{
					Pending.emplace_back(Object.getChild(Child), Matrix);
				}
			}
			return Found;
		}

		template<typename T>
		void Append(std::vector<T>& To, const std::vector<T>& From)
		{
			To.insert(To.end(), From.begin(), From.end());
		}

		void AddNames(std::vector<std::string>& To, const std::vector<std::string>& Names)
		{
			for (const std::string& Name : Names)
			{
				if (std::find(To.begin(), To.end(), Name) == To.end())
				{
					To.push_back(Name);
				}
			}
		}

		void Merge(const std::vector<FObjectRead>& Reads, FEngineGroom& Result)
		{
			bool bAllColoured = !Reads.empty(), bAnyColour = false, bAllRootUVs = !Reads.empty();
			for (size_t Index = 0; Index < Reads.size(); ++Index)
			{
				const FObjectRead& Read = Reads[Index];
				const FImportedObject& Facts = Read.Facts;
				Result.Objects.push_back(Facts);
				Result.Strands += Facts.Strands;
				Result.Points += Facts.Points;
				Append(Result.Positions, Read.Positions);
				Append(Result.PointWidths, Read.PointWidths);
				Append(Result.PointColours, Read.PointColours);
				Append(Result.RootUVs, Read.RootUVs);
				Result.Widths = Index == 0 || Result.Widths == Facts.Widths ? Facts.Widths : EWidthLayout::Mixed;
				Result.RootUVSource = Index == 0 || Result.RootUVSource == Facts.RootUVs ? Facts.RootUVs : ERootUVSource::Mixed;
				bAllColoured = bAllColoured && Facts.Colours == EColourFate::KeptPerPoint;
				bAnyColour = bAnyColour || Facts.Colours != EColourFate::None;
				bAllRootUVs = bAllRootUVs && Facts.RootUVs != ERootUVSource::None;
				Result.bGuides = Result.bGuides || Facts.bGuides;
				Result.GuideStrands += Read.GuideStrands;
				AddNames(Result.StrandAttributes, Read.StrandAttributes);
				AddNames(Result.PointAttributes, Read.PointAttributes);
			}
			Result.Colours = bAllColoured ? EColourFate::KeptPerPoint : bAnyColour ? EColourFate::Dropped
			                                                                       : EColourFate::None;
			if (!bAllColoured)
			{
				Result.PointColours.clear();
			}
			if (!bAllRootUVs)
			{
				Result.RootUVs.clear();
			}
		}

		const char* WidthText(EWidthLayout Layout)
		{
			switch (Layout)
			{
				case EWidthLayout::None:
					return "none (the builder gives every point 0.01)";
				case EWidthLayout::PerPoint:
					return "one per point";
				case EWidthLayout::PerStrand:
					return "one per strand";
				case EWidthLayout::One:
					return "one for the whole groom";
				default:
					return "laid out differently in different objects";
			}
		}

		const char* RootUVText(ERootUVSource Source)
		{
			switch (Source)
			{
				case ERootUVSource::None:
					return "none";
				case ERootUVSource::SchemaUV:
					return "from the schema's uv";
				case ERootUVSource::GroomRootUV:
					return "from groom_root_uv";
				default:
					return "from different sources in different objects";
			}
		}
	}

	FEngineGroom ImportGroom(const std::string& Path)
	{
		FEngineGroom Result;
		try
		{
			const Abc::IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path, Abc::ErrorHandler::kThrowPolicy);
			const FFound Found = FindObjects(Archive, Result);
			if (!Found.PolyMeshes.empty())
			{
				Result.Refusal = "holds a polymesh: " + Found.PolyMeshes.front();
				return Result;
			}
			if (Found.Curves.empty())
			{
				Result.Refusal = "holds no curves object";
				return Result;
			}
			std::vector<FObjectRead> Reads;
			for (const auto& [Object, Matrix] : Found.Curves)
			{
				try
				{
					FCurvesReader Reader(Result);
					Reads.push_back(Reader.Read(Object, Matrix));
				}
				catch (const std::exception& Error)
				{
					Result.Unmodelled.push_back(Object.getFullName() + ": the Alembic library refused it: " + Error.what());
				}
			}
			Merge(Reads, Result);
		}
		catch (const std::exception& Error)
		{
			Result.Refusal = std::string("cannot be read: ") + Error.what();
		}
		return Result;
	}

	std::string Describe(const FEngineGroom& Groom)
	{
		std::ostringstream Text;
		if (!Groom.Refusal.empty())
		{
			Text << "not a groom: " << Groom.Refusal << "\n";
		}
		Text << "groom      " << Plural(static_cast<uint64_t>(Groom.Strands), "strand") << ", " << Plural(static_cast<uint64_t>(Groom.Points), "point") << " in "
		     << Plural(Groom.Objects.size(), "curves object") << "\n";
		Text << "widths     " << WidthText(Groom.Widths) << "\n";
		Text << "colours    "
		     << (Groom.Colours == EColourFate::KeptPerPoint ? "kept, one per point" : Groom.Colours == EColourFate::None ? "none"
		                                                                                                                 : "dropped");
		for (const FImportedObject& Object : Groom.Objects)
		{
			if (!Object.ColourNote.empty())
			{
				Text << "; " << Object.Path << ": " << Object.ColourNote;
			}
		}
		Text << "\n";
		Text << "root UVs   " << RootUVText(Groom.RootUVSource) << "\n";
		Text << "guides     " << (Groom.bGuides ? Plural(static_cast<uint64_t>(Groom.GuideStrands), "guide strand") : std::string("none (the builder makes its own)")) << "\n";
		for (const std::string& Line : Groom.Violations)
		{
			Text << "violation  " << Line << "\n";
		}
		for (const std::string& Line : Groom.Unmodelled)
		{
			Text << "unmodelled " << Line << "\n";
		}
		return Text.str();
	}

	testing::AssertionResult ImportsCleanly(const std::string& Path, const std::vector<std::string>& ExpectedUnmodelled)
	{
		const FEngineGroom Groom = ImportGroom(Path);
		if (Groom.Refusal.empty() && Groom.Violations.empty() && Groom.Unmodelled == ExpectedUnmodelled)
		{
			return testing::AssertionSuccess();
		}
		testing::AssertionResult Failure = testing::AssertionFailure() << "the engine's groom import of " << Path << ":\n"
		                                                               << Describe(Groom);
		for (const std::string& Line : ExpectedUnmodelled)
		{
			Failure << "expected    " << Line << "\n";
		}
		return Failure;
	}
}
